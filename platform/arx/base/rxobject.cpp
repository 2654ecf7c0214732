#include "arx/rxobject.h"

const AcRxClass* AcRxObject::desc()
{
    static const AcRxClass cls("AcRxObject", nullptr);
    return &cls;
}
