#include "arx/dxfnames.h"

#include <mutex>
#include <string>
#include <unordered_set>

namespace qv::dxf {

namespace {

struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

} // namespace

const char* internName(std::string_view name)
{
    // Never destroyed: objects of drawings held by other statics may outlive it.
    static auto* names = new std::unordered_set<std::string, NameHash, std::equal_to<>>();
    static std::mutex mutex;
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = names->find(name);
    if (it == names->end())
        it = names->emplace(name).first;
    return it->c_str();
}

} // namespace qv::dxf
