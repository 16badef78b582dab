// Taking a backup, its files (JSON and the CANopen configuration file) and comparing two backups.
#include "device/backup/Backup.h"

#include "device/AmplifierBase.h"
#include "device/AppVersion.h"
#include "device/ProtocolFacts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <cmath>

namespace backup {

namespace {

constexpr double kMaxValue = 4294967295.0;

QJsonObject settingJson(const Setting &setting, const regmap::StoredValue *where) {
    QJsonObject object{{QStringLiteral("name"), setting.name},
                       {QStringLiteral("unit"), setting.unit},
                       {QStringLiteral("value"), static_cast<double>(setting.value)}};
    if (where && where->reg == 0) {
        object.insert(QStringLiteral("index"),
                      QStringLiteral("0x") +
                          QStringLiteral("%1").arg(where->index, 4, 16, QLatin1Char('0')).toUpper());
        object.insert(QStringLiteral("subIndex"), where->subIndex);
    } else {
        object.insert(QStringLiteral("register"), setting.address);
    }
    return object;
}

// The whole number a JSON value holds, when it holds one of 32 bits.
std::optional<qulonglong> wholeNumber(const QJsonValue &value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::floor(number) != number || number < 0 || number > kMaxValue)
        return std::nullopt;
    return static_cast<qulonglong>(number);
}

Loaded refused(const QString &why) {
    Loaded loaded;
    loaded.error = why;
    return loaded;
}

} // namespace

const Setting *Backup::find(const QString &name) const {
    for (const Setting &setting : settings) {
        if (setting.name == name)
            return &setting;
    }
    return nullptr;
}

QString Backup::amplifierText() const {
    QString where = protocol;
    if (!port.isEmpty())
        where += QLatin1Char(' ') + port;
    if (deviceId > 0)
        where += QStringLiteral(" #%1").arg(deviceId);
    return QStringLiteral("%1 (%2)").arg(where, model);
}

Taken take(AmplifierBase &amplifier, const QString &reason) {
    Taken taken;
    Backup &backup = taken.backup;
    backup.model = amplifier.getModel();
    backup.protocol = amplifier.getProtocol();
    backup.deviceId = amplifier.deviceId();
    backup.port = amplifier.portName();
    backup.programVersion = appVersion();
    backup.date = QDateTime::currentDateTimeUtc();
    backup.reason = reason;
    const protocolfacts::Facts *facts = protocolfacts::find(backup.protocol);
    if (!facts) {
        taken.error = QCoreApplication::translate("backup", "This program keeps no backup of %1 amplifiers.")
                          .arg(backup.protocol);
        return taken;
    }
    const std::vector<regmap::StoredValue> &values = regmap::storedValues(facts->family);
    const writetx::Access access = amplifier.storedValueAccess(values);
    if (!access.read) {
        taken.error = QCoreApplication::translate("backup", "This amplifier cannot be read for a backup.");
        return taken;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        QString cause;
        const std::optional<uint32_t> value = writetx::readQuietly(access, i, &cause);
        if (!value) {
            taken.error = QCoreApplication::translate("backup", "%1 (%2) could not be read: %3")
                              .arg(values[i].name, values[i].address(), cause);
            taken.backup.settings.clear();
            return taken;
        }
        backup.settings.append({values[i].name, values[i].address(), QLatin1String(values[i].unit), *value});
    }
    return taken;
}

QByteArray toJson(const Backup &backup) {
    const protocolfacts::Facts *facts = protocolfacts::find(backup.protocol);
    QJsonArray settings;
    for (const Setting &setting : backup.settings)
        settings.append(
            settingJson(setting, facts ? regmap::findStored(facts->family, setting.name) : nullptr));
    QJsonObject root{{QStringLiteral("format"), kFormatName},
                     {QStringLiteral("formatVersion"), backup.formatVersion},
                     {QStringLiteral("model"), backup.model},
                     {QStringLiteral("protocol"), backup.protocol},
                     {QStringLiteral("deviceId"), backup.deviceId},
                     {QStringLiteral("port"), backup.port},
                     {QStringLiteral("programVersion"), backup.programVersion},
                     {QStringLiteral("date"), backup.date.toUTC().toString(Qt::ISODateWithMs)},
                     {QStringLiteral("settings"), settings}};
    if (!backup.reason.isEmpty())
        root.insert(QStringLiteral("takenBefore"), backup.reason);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString dcfPathBeside(const QString &jsonPath) {
    const QFileInfo info(jsonPath);
    if (info.suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0)
        return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".dcf");
    return jsonPath + QStringLiteral(".dcf");
}

QByteArray toDcf(const Backup &backup) {
    const protocolfacts::Facts *facts = protocolfacts::find(backup.protocol);
    if (!facts || facts->family != regmap::Family::CanOpen)
        return {};
    QByteArray dcf;
    const auto line = [&dcf](const QString &text) {
        dcf += text.toUtf8() + "\r\n";
    };
    line(QStringLiteral("[FileInfo]"));
    line(QStringLiteral("FileName=%1.dcf").arg(backup.model));
    line(QStringLiteral("Description=%1 settings and calibration").arg(backup.model));
    line(QStringLiteral("CreatedBy=Kelvora Amplifier Manager %1").arg(backup.programVersion));
    line(QStringLiteral("CreationDate=%1").arg(backup.date.toUTC().toString(QStringLiteral("MM-dd-yyyy"))));
    line(QStringLiteral("CreationTime=%1").arg(backup.date.toUTC().toString(QStringLiteral("hh:mmAP"))));
    line(QStringLiteral("FileVersion=%1").arg(backup.formatVersion));
    line(QString());
    line(QStringLiteral("[DeviceComissioning]"));
    line(QStringLiteral("NodeID=%1").arg(backup.deviceId));
    line(QStringLiteral("NodeName=%1").arg(backup.model));
    line(QString());
    for (const Setting &setting : backup.settings) {
        const regmap::StoredValue *where = regmap::findStored(facts->family, setting.name);
        if (!where)
            continue;
        const QString index = QStringLiteral("%1").arg(where->index, 4, 16, QLatin1Char('0')).toUpper();
        const QString dataType = where->width == 1   ? QStringLiteral("0x0005")
                                 : where->width == 2 ? QStringLiteral("0x0006")
                                                     : QStringLiteral("0x0007");
        line(QStringLiteral("[%1sub%2]").arg(index, QString::number(where->subIndex, 16).toUpper()));
        line(QStringLiteral("ParameterName=%1").arg(setting.name));
        line(QStringLiteral("ObjectType=0x7"));
        line(QStringLiteral("DataType=%1").arg(dataType));
        line(QStringLiteral("AccessType=rw"));
        line(QStringLiteral("PDOMapping=0"));
        line(QStringLiteral("ParameterValue=%1").arg(setting.value));
        line(QString());
    }
    return dcf;
}

Loaded fromJson(const QByteArray &json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return refused(
            QCoreApplication::translate("backup", "The file is damaged or truncated: %1 at byte %2.")
                .arg(parseError.errorString())
                .arg(parseError.offset));
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != kFormatName)
        return refused(
            QCoreApplication::translate(
                "backup", "The file is not an amplifier backup (it does not say \"format\": \"%1\").")
                .arg(kFormatName));
    Loaded loaded;
    Backup &backup = loaded.backup;
    const std::optional<qulonglong> version = wholeNumber(root.value(QStringLiteral("formatVersion")));
    if (!version || *version != static_cast<qulonglong>(kFormatVersion))
        return refused(QCoreApplication::translate(
                           "backup", "The backup's format version %1 is unknown to this program, which reads "
                                     "version %2.")
                           .arg(root.value(QStringLiteral("formatVersion")).toVariant().toString())
                           .arg(kFormatVersion));
    backup.formatVersion = kFormatVersion;
    backup.model = root.value(QStringLiteral("model")).toString();
    backup.protocol = root.value(QStringLiteral("protocol")).toString();
    backup.deviceId = root.value(QStringLiteral("deviceId")).toInt();
    backup.port = root.value(QStringLiteral("port")).toString();
    backup.programVersion = root.value(QStringLiteral("programVersion")).toString();
    backup.date = QDateTime::fromString(root.value(QStringLiteral("date")).toString(), Qt::ISODateWithMs);
    backup.reason = root.value(QStringLiteral("takenBefore")).toString();
    if (backup.model.isEmpty())
        return refused(QCoreApplication::translate("backup", "The backup is damaged: it names no model."));
    const protocolfacts::Facts *facts = protocolfacts::find(backup.protocol);
    if (!facts)
        return refused(
            QCoreApplication::translate(
                "backup", "The backup names the protocol \"%1\", which this program does not know.")
                .arg(backup.protocol));
    const QJsonValue settings = root.value(QStringLiteral("settings"));
    if (!settings.isArray())
        return refused(
            QCoreApplication::translate("backup", "The backup is damaged: it holds no list of settings."));
    QSet<QString> seen;
    for (const QJsonValue &item : settings.toArray()) {
        const QJsonObject object = item.toObject();
        const QString name = object.value(QStringLiteral("name")).toString();
        if (name.isEmpty())
            return refused(
                QCoreApplication::translate("backup", "The backup is damaged: a setting has no name."));
        const regmap::StoredValue *where = regmap::findStored(facts->family, name);
        if (!where)
            return refused(QCoreApplication::translate(
                               "backup", "The backup holds \"%1\", a setting %2 amplifiers do not have.")
                               .arg(name, backup.protocol));
        if (seen.contains(name))
            return refused(
                QCoreApplication::translate("backup", "The backup is damaged: it holds \"%1\" twice.")
                    .arg(name));
        seen.insert(name);
        // A file that puts a setting elsewhere was written for another map: its values cannot be trusted.
        const QString address =
            where->reg != 0 ? object.value(QStringLiteral("register")).toString()
                            : QStringLiteral("%1:%2").arg(
                                  object.value(QStringLiteral("index")).toString(),
                                  QStringLiteral("%1").arg(object.value(QStringLiteral("subIndex")).toInt(),
                                                           2, 16, QLatin1Char('0')));
        if (address.compare(where->address(), Qt::CaseInsensitive) != 0)
            return refused(QCoreApplication::translate(
                               "backup", "The backup is damaged: it puts \"%1\" at %2, where this program "
                                         "knows it at %3.")
                               .arg(name, address, where->address()));
        const std::optional<qulonglong> value = wholeNumber(object.value(QStringLiteral("value")));
        if (!value)
            return refused(QCoreApplication::translate(
                               "backup",
                               "The backup is damaged: the value of \"%1\" is not a whole number from "
                               "0 to 4294967295.")
                               .arg(name));
        backup.settings.append({name, where->address(), QLatin1String(where->unit), *value});
    }
    for (const regmap::StoredValue &value : regmap::storedValues(facts->family)) {
        if (!seen.contains(value.name))
            return refused(
                QCoreApplication::translate("backup", "The backup is incomplete: it lacks \"%1\" (%2).")
                    .arg(value.name, value.address()));
    }
    return loaded;
}

Loaded load(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(
            QCoreApplication::translate("backup", "The file cannot be read: %1.").arg(file.errorString()));
    // A backup is a few kilobytes: anything far larger is not one, and is not read whole into memory.
    constexpr qint64 kMaxSize = 1 << 20;
    if (file.size() > kMaxSize)
        return refused(
            QCoreApplication::translate(
                "backup", "The file is not an amplifier backup (%1 bytes; a backup is a few kilobytes).")
                .arg(file.size()));
    return fromJson(file.readAll());
}

QString save(const Backup &backup, const QString &path, bool dcf) {
    const QByteArray bytes = dcf ? toDcf(backup) : toJson(backup);
    if (bytes.isEmpty())
        return QCoreApplication::translate(
                   "backup", "A device configuration file holds CANopen entries; %1 amplifiers have none.")
            .arg(backup.protocol);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QCoreApplication::translate("backup", "%1 cannot be written: %2.")
            .arg(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        return QCoreApplication::translate("backup", "%1 could not be written whole: %2.")
            .arg(path, file.errorString());
    return {};
}

QList<Difference> compare(const Backup &first, const Backup &second) {
    QList<Difference> differences;
    for (const Setting &setting : first.settings) {
        const Setting *other = second.find(setting.name);
        if (other && other->value == setting.value)
            continue;
        differences.append({setting.name, setting.address, setting.unit, setting.value,
                            other ? std::optional<qulonglong>(other->value) : std::nullopt});
    }
    for (const Setting &setting : second.settings) {
        if (!first.find(setting.name))
            differences.append({setting.name, setting.address, setting.unit, std::nullopt, setting.value});
    }
    return differences;
}

QString describe(const Difference &difference) {
    const auto text = [&difference](const std::optional<qulonglong> &value) {
        if (!value)
            return QCoreApplication::translate("backup", "(none)");
        return difference.unit.isEmpty() ? QString::number(*value)
                                         : QStringLiteral("%1 %2").arg(*value).arg(difference.unit);
    };
    return QStringLiteral("%1 (%2): %3 -> %4")
        .arg(difference.name, difference.address, text(difference.first), text(difference.second));
}

} // namespace backup
