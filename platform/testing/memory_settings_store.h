#pragma once
// An in-memory settings key for tests: values of any type, and knobs to refuse opening or writing.

#include "platform/settings_store.h"

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace platform {

class MemorySettingsStore : public SettingsStore {
public:
    /// A value as the registry could hold it: a 32-bit integer, a text, or raw bytes of another type.
    using Value = std::variant<std::int32_t, std::string, std::vector<std::uint8_t>>;

    bool keyExists = false;    ///< loading fails while false; saving creates the key
    bool refuseCreate = false; ///< saving cannot create or open the key
    bool refuseWrites = false; ///< every write fails
    std::map<std::string, Value> values;
    int writeCount = 0; ///< successful writes, for "nothing was saved" checks

    bool open(bool forSaving) override;
    void close() override;
    bool exists(const char* name) override;
    bool readInt(const char* name, std::int32_t& out) override;
    bool readText(const char* name, std::string& out) override;
    bool writeInt(const char* name, std::int32_t value) override;
    bool writeText(const char* name, const std::string& value) override;
    std::string location() const override { return "memory"; }

    bool isOpen() const { return open_; }

private:
    bool open_ = false;
};

} // namespace platform
