// The settings key in the registry: HKEY_LOCAL_MACHINE\Software\VELNO\ReaderConfig, through the Win32 calls
// themselves so that the Windows build can test the real thing.

#include "settings_store.h"

#include <windows.h>

#include <vector>

namespace platform {
namespace {

constexpr const char* KeyPath = "Software\\VELNO\\ReaderConfig";

class RegistrySettingsStore : public SettingsStore {
public:
    ~RegistrySettingsStore() override { close(); }

    bool open(bool forSaving) override {
        close();
        LONG result;
        if (forSaving) {
            result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                     nullptr, &key_, nullptr);
        } else {
            // Read access only: full access to HKEY_LOCAL_MACHINE is refused to standard users, which would
            // lose every saved setting at every start.
            result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath, 0, KEY_READ, &key_);
        }
        if (result != ERROR_SUCCESS) {
            key_ = nullptr;
            return false;
        }
        return true;
    }

    void close() override {
        if (key_) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }

    bool exists(const char* name) override {
        return key_ && RegQueryValueExA(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

    bool readInt(const char* name, std::int32_t& out) override {
        if (!key_)
            return false;
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
            return false;
        if (type != REG_DWORD || size != sizeof(value))
            return false;
        out = static_cast<std::int32_t>(value);
        return true;
    }

    bool readText(const char* name, std::string& out) override {
        if (!key_)
            return false;
        // The value may change between the size query and the read; try again while it grows.
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                return false;
            if (type != REG_SZ && type != REG_EXPAND_SZ)
                return false;
            if (size == 0) {
                out.clear();
                return true;
            }
            // One spare byte so that a text stored without its terminator still ends inside the buffer.
            std::vector<char> buffer(size + 1, '\0');
            DWORD got = size;
            const LONG result =
                RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
            if (result == ERROR_MORE_DATA)
                continue;
            if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || got > size)
                return false;
            buffer[got] = '\0';
            out.assign(buffer.data()); // ends at the first zero byte
            return true;
        }
        return false;
    }

    bool writeInt(const char* name, std::int32_t value) override {
        if (!key_)
            return false;
        const DWORD dword = static_cast<DWORD>(value);
        return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), sizeof(dword)) ==
               ERROR_SUCCESS;
    }

    bool writeText(const char* name, const std::string& value) override {
        if (!key_)
            return false;
        // The stored size counts the terminating zero, as REG_SZ expects.
        const DWORD size = static_cast<DWORD>(value.size() + 1);
        return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), size) ==
               ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;

public:
    std::string location() const override { return std::string("HKEY_LOCAL_MACHINE\\") + KeyPath; }
};

} // namespace

std::unique_ptr<SettingsStore> MakeSystemSettingsStore() {
    return std::make_unique<RegistrySettingsStore>();
}

} // namespace platform
