#include "memory_settings_store.h"

namespace platform {

bool MemorySettingsStore::open(bool forSaving) {
    if (forSaving) {
        if (refuseCreate)
            return false;
        keyExists = true;
    } else if (!keyExists) {
        return false;
    }
    open_ = true;
    return true;
}

void MemorySettingsStore::close() {
    open_ = false;
}

bool MemorySettingsStore::exists(const char* name) {
    return open_ && values.count(name) != 0;
}

bool MemorySettingsStore::readInt(const char* name, std::int32_t& out) {
    if (!open_)
        return false;
    auto it = values.find(name);
    if (it == values.end())
        return false;
    const auto* value = std::get_if<std::int32_t>(&it->second);
    if (!value)
        return false;
    out = *value;
    return true;
}

bool MemorySettingsStore::readText(const char* name, std::string& out) {
    if (!open_)
        return false;
    auto it = values.find(name);
    if (it == values.end())
        return false;
    const auto* value = std::get_if<std::string>(&it->second);
    if (!value)
        return false;
    // As the registry does: the text ends at its first zero byte.
    out = value->substr(0, value->find('\0'));
    return true;
}

bool MemorySettingsStore::writeInt(const char* name, std::int32_t value) {
    if (!open_ || refuseWrites)
        return false;
    values[name] = value;
    ++writeCount;
    return true;
}

bool MemorySettingsStore::writeText(const char* name, const std::string& value) {
    if (!open_ || refuseWrites)
        return false;
    values[name] = value;
    ++writeCount;
    return true;
}

} // namespace platform
