#include "win/stringtable.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

std::mutex tablesMutex;
std::unordered_map<HINSTANCE, StringTable> tables;

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

} // namespace

void registerStringTable(HINSTANCE instance, StringTable table)
{
    std::lock_guard lock(tablesMutex);
    tables[instance] = std::move(table);
}

void unregisterStringTable(HINSTANCE instance)
{
    std::lock_guard lock(tablesMutex);
    tables.erase(instance);
}

int LoadStringA(HINSTANCE instance, UINT id, char* buffer, int size)
{
    if (!buffer || size < 1)
        return 0;
    buffer[0] = '\0';
    std::lock_guard lock(tablesMutex);
    const auto table = tables.find(instance);
    if (table == tables.end())
        return 0;
    const auto text = table->second.find(id);
    if (text == table->second.end())
        return 0;
    const std::string& value = text->second;
    size_t length = std::min(value.size(), static_cast<size_t>(size - 1));
    // A character cut in two is dropped whole.
    if (length < value.size())
        while (length > 0 && isContinuation(value[length]))
            --length;
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}
