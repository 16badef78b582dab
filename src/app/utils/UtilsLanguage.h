#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QCoreApplication;
class QQmlEngine;
class QTranslator;

// Switches the interface language at run time: installs Qt's own and the application's translators and
// asks the QML engine to re-translate the scene. One process-wide instance, never destroyed.
class UtilsLanguage : public QObject {
    Q_OBJECT

public:
    static UtilsLanguage *getInstance();

    // Normally reached through getInstance(); tests use their own instances.
    explicit UtilsLanguage(QObject *parent = nullptr);
    ~UtilsLanguage() override;

    // Given by start-up once the main document has loaded, so later changes reach the scene.
    void setQmlContext(QQmlEngine *engine);

    // A display name of the language table, or anything else (such as "auto") for the system language.
    Q_INVOKABLE void loadLanguage(const QString &name);
    Q_INVOKABLE QString getCurrentLanguage() const { return m_currentLanguage; }
    Q_INVOKABLE QString getCurrentLanguageCode_full() const { return m_languageCodeFull; }
    Q_INVOKABLE QString getCurrentLanguageCode_short() const { return m_languageCodeShort; }

    // The resource path of the application's translation for a short language code.
    QString appTranslationFile(const QString &shortCode) const;

private:
    void removeTranslators();

    QString m_appName;
    QString m_currentLanguage;
    QString m_languageCodeFull;
    QString m_languageCodeShort;
    QPointer<QCoreApplication> m_app;
    QPointer<QQmlEngine> m_qmlEngine;
    QTranslator *m_qtTranslator = nullptr;
    QTranslator *m_appTranslator = nullptr;
};
