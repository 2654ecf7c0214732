#include "arx/dbdrawingstate.h"

#include "dbimpl.h"

#include <unordered_map>

namespace qv {

namespace {

// Serial numbers are never reused, so a name of a closed or re-read drawing finds nothing.
long long lastSerial = 0;

// Never destroyed: drawings held by other statics (the document manager's) may go after it
// would have.
std::unordered_map<long long, DrawingState*>& bySerial()
{
    static auto* states = new std::unordered_map<long long, DrawingState*>();
    return *states;
}

} // namespace

DrawingState::DrawingState(AcDbDatabase* db) : database(db), serial(++lastSerial), index(db)
{
    bySerial().emplace(serial, this);
}

DrawingState::~DrawingState() { bySerial().erase(serial); }

DrawingState& drawingState(AcDbDatabase* db)
{
    AcDbDatabase::Impl& impl = db->impl();
    if (!impl.state)
        impl.state = std::make_unique<DrawingState>(db);
    return *impl.state;
}

AcDbDatabase* databaseWithSerial(long long serial)
{
    const auto it = bySerial().find(serial);
    return it == bySerial().end() ? nullptr : it->second->database;
}

} // namespace qv
