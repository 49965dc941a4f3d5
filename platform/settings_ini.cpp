// The settings key as an INI file: $XDG_CONFIG_HOME/VELNO/ReaderConfig.conf (default ~/.config/...), section
// [General]. Every value is text in the file, so an integer is "of the wrong type" when its text is not a whole
// decimal number that fits in 32 bits.

#include "settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <limits>

namespace platform {
namespace {

QString ConfigHome() {
    // The XDG base-directory rules ignore a relative XDG_CONFIG_HOME.
    QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

std::string UpToFirstZero(const QString& text) {
    std::string bytes = text.toStdString();
    return bytes.substr(0, bytes.find('\0'));
}

class IniSettingsStore : public SettingsStore {
public:
    bool open(bool forSaving) override {
        close();
        const QString dir = ConfigHome() + QStringLiteral("/VELNO");
        const QString path = dir + QStringLiteral("/ReaderConfig.conf");
        if (forSaving) {
            if (!QDir().mkpath(dir) || !QFileInfo(dir).isDir())
                return false;
        } else if (!QFileInfo(path).isFile()) {
            return false;
        }
        settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
        // Unreadable or unparsable: treat like a key that cannot be opened, and never rewrite it from a
        // partial reading.
        if (settings_->status() != QSettings::NoError) {
            settings_.reset();
            return false;
        }
        return true;
    }

    void close() override { settings_.reset(); }

    std::string location() const override {
        return (ConfigHome() + QStringLiteral("/VELNO/ReaderConfig.conf")).toStdString();
    }

    bool exists(const char* name) override { return settings_ && settings_->contains(QLatin1String(name)); }

    bool readInt(const char* name, std::int32_t& out) override {
        if (!settings_)
            return false;
        const QVariant value = settings_->value(QLatin1String(name));
        if (value.typeId() != QMetaType::QString)
            return false;
        const QString text = value.toString();
        if (text.isEmpty())
            return false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && !(i == 0 && c == QLatin1Char('-')))
                return false;
        }
        bool ok = false;
        const qlonglong number = text.toLongLong(&ok);
        if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
            number > std::numeric_limits<std::int32_t>::max())
            return false;
        out = static_cast<std::int32_t>(number);
        return true;
    }

    bool readText(const char* name, std::string& out) override {
        if (!settings_)
            return false;
        const QVariant value = settings_->value(QLatin1String(name));
        switch (value.typeId()) {
        case QMetaType::QString:
            out = UpToFirstZero(value.toString());
            return true;
        case QMetaType::QStringList:
            // A hand-edited line such as ScanBaudRate=19200,e,8,1 (without quotes) is read by QSettings as a
            // list; it is still the text that was meant.
            out = UpToFirstZero(value.toStringList().join(QLatin1Char(',')));
            return true;
        default:
            return false;
        }
    }

    bool writeInt(const char* name, std::int32_t value) override { return write(name, QString::number(value)); }

    bool writeText(const char* name, const std::string& value) override {
        return write(name, QString::fromStdString(value));
    }

private:
    bool write(const char* name, const QString& value) {
        if (!settings_)
            return false;
        settings_->setValue(QLatin1String(name), value);
        settings_->sync();
        return settings_->status() == QSettings::NoError;
    }

    std::unique_ptr<QSettings> settings_;
};

} // namespace

std::unique_ptr<SettingsStore> MakeSystemSettingsStore() {
    return std::make_unique<IniSettingsStore>();
}

} // namespace platform
