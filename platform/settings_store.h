#pragma once
// The settings key: HKEY_LOCAL_MACHINE\Software\VELNO\ReaderConfig on Windows (the registry functions
// themselves), an INI file $XDG_CONFIG_HOME/VELNO/ReaderConfig.conf, section [General], elsewhere. The
// operations mirror the registry calls so that the load and save algorithms are the same on every platform.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    /// Opens the key for loading (read access, never creates it) or for saving (creates it when missing).
    virtual bool open(bool forSaving) = 0;
    virtual void close() = 0;

    virtual bool exists(const char* name) = 0;
    /// False when the value is missing or of the wrong type (not a 32-bit integer / not a text).
    virtual bool readInt(const char* name, std::int32_t& out) = 0;
    virtual bool readText(const char* name, std::string& out) = 0;
    virtual bool writeInt(const char* name, std::int32_t value) = 0;
    virtual bool writeText(const char* name, const std::string& value) = 0;
    /// Where the values are kept, for a person: the file or the registry key.
    virtual std::string location() const = 0;
};

/// The platform's own store (registry or INI file).
std::unique_ptr<SettingsStore> MakeSystemSettingsStore();

} // namespace platform
