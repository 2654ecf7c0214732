#include "arx/rxobject.h"

#include <map>
#include <mutex>
#include <utility>

namespace {

struct Extensions {
    std::mutex lock;
    std::map<std::pair<const AcRxClass*, const AcRxClass*>, AcRxObject*> byClass;
    // What x found for an object's own class, through its parents, until an extension is added.
    std::map<std::pair<const AcRxClass*, const AcRxClass*>, AcRxObject*> found;
};

Extensions& extensions()
{
    static Extensions all;
    return all;
}

} // namespace

const AcRxClass* AcRxObject::desc()
{
    static const AcRxClass cls("AcRxObject", nullptr);
    return &cls;
}

AcRxObject* AcRxObject::x(const AcRxClass* protocolClass) const
{
    Extensions& all = extensions();
    const std::lock_guard guard(all.lock);
    const auto [known, added] = all.found.try_emplace({isA(), protocolClass}, nullptr);
    if (!added)
        return known->second;
    for (const AcRxClass* c = isA(); c; c = c->myParent())
        if (const auto it = all.byClass.find({c, protocolClass}); it != all.byClass.end())
            return known->second = it->second;
    return nullptr;
}

void AcRxObject::addX(const AcRxClass* on, const AcRxClass* protocolClass, AcRxObject* extension)
{
    Extensions& all = extensions();
    const std::lock_guard guard(all.lock);
    all.byClass[{on, protocolClass}] = extension;
    all.found.clear();
}
