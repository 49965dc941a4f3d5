// The settings load over any stored content: the INI file as text, and the in-memory key with values of
// any type. The loaded index always names one of the twelve line settings.

#include "fuzz_check.h"
#include "localisation/language.h"
#include "platform/testing/memory_settings_store.h"
#include "settings/settings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void CheckLoaded(const settings::LoadedSettings& loaded) {
    FUZZ_CHECK(loaded.BaudRateIndex >= 0 && loaded.BaudRateIndex <= 11);
    FUZZ_CHECK(loaded.LanguageIndex >= 0 && loaded.LanguageIndex <= 2);
    FUZZ_CHECK(loaded.LanguageIndex == localisation::LanguageIndexOf(loaded.LanguageName));
}

QTemporaryDir* Folder() {
    static QTemporaryDir folder;
    static const bool set = qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    (void)set;
    return &folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        const QString dir = Folder()->path() + QStringLiteral("/VELNO");
        QDir().mkpath(dir);
        QFile file(dir + QStringLiteral("/ReaderConfig.conf"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1));
        file.close();
        CheckLoaded(settings::LoadSettings(*platform::MakeSystemSettingsStore()));
        return 0;
    }

    // The in-memory key: per value a type byte, a length byte and that many content bytes.
    static const char* const names[] = {"ScanCommNo", "ScanBaudRate", "ScanBaudRateNo", "LanguageFlag"};
    platform::MemorySettingsStore store;
    store.keyExists = (data[0] & 2) != 0;
    std::size_t at = 1;
    for (const char* name : names) {
        if (at + 2 > size)
            break;
        const std::uint8_t type = data[at] % 4;
        const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
        const std::uint8_t* content = data + at + 2;
        at += 2 + length;
        if (type == 0) {
            std::int32_t value = 0;
            for (std::size_t i = 0; i < length && i < 4; ++i)
                value = static_cast<std::int32_t>((static_cast<std::uint32_t>(value) << 8) | content[i]);
            store.values[name] = value;
        } else if (type == 1) {
            store.values[name] = std::string(reinterpret_cast<const char*>(content), length);
        } else if (type == 2) {
            store.values[name] = std::vector<std::uint8_t>(content, content + length);
        }
    }
    CheckLoaded(settings::LoadSettings(store));
    return 0;
}
