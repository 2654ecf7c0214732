#include "arx/rxobject.h"

#include <map>
#include <mutex>
#include <utility>

namespace {

struct Extensions {
    std::mutex lock;
    std::map<std::pair<const AcRxClass*, const AcRxClass*>, AcRxObject*> byClass;
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
    for (const AcRxClass* c = isA(); c; c = c->myParent())
        if (const auto it = all.byClass.find({c, protocolClass}); it != all.byClass.end())
            return it->second;
    return nullptr;
}

void AcRxObject::addX(const AcRxClass* on, const AcRxClass* protocolClass, AcRxObject* extension)
{
    Extensions& all = extensions();
    const std::lock_guard guard(all.lock);
    all.byClass[{on, protocolClass}] = extension;
}
