#include "app/utils/UtilsLanguage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QLocale>
#include <QQmlEngine>
#include <QTranslator>

namespace {
struct LanguageEntry {
    const char *displayName; // UTF-8
    const char *code;
};

// Compared as exact text. The Russian entry starts with a Latin capital P, as the screens send it.
constexpr LanguageEntry kLanguages[] = {
    {"Chinese (traditional)", "zh_TW"},
    {"Chinese (simplified)", "zh_CN"},
    {"Dansk", "da_DK"},
    {"Deutsch", "de_DE"},
    {"English", "en_EN"},
    {"Español", "es_ES"},
    {"Italiano", "it_IT"},
    {"Français", "fr_FR"},
    {"Frysk", "fy_NL"},
    {"Hungarian", "hu_HU"},
    {"Nederlands", "nl_NL"},
    {"Norsk (Bokmål)", "nb_NO"},
    {"Norsk (Nynorsk)", "nn_NO"},
    {"Polski", "pl_PL"},
    {"Pусский", "ru_RU"},
};

QString codeForName(const QString &name) {
    for (const LanguageEntry &entry : kLanguages) {
        if (name == QString::fromUtf8(entry.displayName))
            return QString::fromLatin1(entry.code);
    }
    return QString();
}
} // namespace

UtilsLanguage *UtilsLanguage::getInstance() {
    // Deliberately leaked: the installed translators must outlive the scene.
    static UtilsLanguage *instance = new UtilsLanguage();
    return instance;
}

UtilsLanguage::UtilsLanguage(QObject *parent)
    : QObject(parent)
    , m_appName(QCoreApplication::applicationName())
    , m_app(QCoreApplication::instance()) {}

UtilsLanguage::~UtilsLanguage() {
    removeTranslators();
}

void UtilsLanguage::setQmlContext(QQmlEngine *engine) {
    m_qmlEngine = engine;
}

QString UtilsLanguage::appTranslationFile(const QString &shortCode) const {
    // The translation files carry the internal name ("KelvoraAmplifierManager"), while the application
    // name shown to users has blanks; without removing them no translation file would ever be found.
    QString fileBase = m_appName;
    fileBase.remove(QLatin1Char(' '));
    return QStringLiteral(":/i18n/") + fileBase + QLatin1Char('_') + shortCode + QStringLiteral(".qm");
}

void UtilsLanguage::removeTranslators() {
    if (m_qtTranslator) {
        if (m_app)
            QCoreApplication::removeTranslator(m_qtTranslator);
        delete m_qtTranslator;
        m_qtTranslator = nullptr;
    }
    if (m_appTranslator) {
        if (m_app)
            QCoreApplication::removeTranslator(m_appTranslator);
        delete m_appTranslator;
        m_appTranslator = nullptr;
    }
}

void UtilsLanguage::loadLanguage(const QString &name) {
    // Nothing is loaded before the first call, so that one always does the work, even for an empty name
    // (which, being unknown, means the system language like any other unknown name).
    if (!m_app || (!m_currentLanguage.isEmpty() && name == m_currentLanguage))
        return;

    removeTranslators();

    m_currentLanguage = name;
    m_languageCodeFull = codeForName(name);
    if (m_languageCodeFull.isEmpty()) {
        m_languageCodeFull = QLocale::system().name();
        m_currentLanguage = QStringLiteral("auto");
    }

    const int cut = m_languageCodeFull.lastIndexOf(QLatin1Char('_'));
    m_languageCodeShort = cut < 0 ? m_languageCodeFull : m_languageCodeFull.left(cut);
    const QLocale locale(m_languageCodeFull);
    QLocale::setDefault(locale);

    // Qt's own texts are English already, so English, and the bare C locale of many consoles and services,
    // can do without a Qt translation: a missing one is no fault there, and reporting it at every start would
    // hide real messages. The C locale shows the program's English texts.
    const bool english = locale.language() == QLocale::English || locale.language() == QLocale::C;
    m_qtTranslator = new QTranslator();
    if (m_qtTranslator->load(QStringLiteral("qt_") + m_languageCodeFull,
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(m_qtTranslator);
    } else if (!english) {
        qWarning() << "qtTranslator ERROR !";
    }

    m_appTranslator = new QTranslator();
    const QString appCode = locale.language() == QLocale::C ? QStringLiteral("en") : m_languageCodeShort;
    if (m_appTranslator->load(appTranslationFile(appCode))) {
        QCoreApplication::installTranslator(m_appTranslator);
    } else {
        qWarning() << "appTranslator ERROR !" << m_appName << m_languageCodeFull;
    }

    if (m_qmlEngine)
        m_qmlEngine->retranslate();
}
