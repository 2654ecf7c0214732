// Names a space whose outline, or the outline of an area it adds or subtracts, crosses or
// touches itself: its area, the outline's net signed area, then need not be what the outline
// encloses.
#pragma once

class CBlockDWG;
class AcDbDatabase;

// Says in one line where the outline of the space's reference meets itself, in the current
// UCS, and whether its area is then wrong or only may be, and the same of each outline the
// space adds or subtracts; says nothing of a sound outline.
void sayWhereOutlineMeetsItself(const CBlockDWG& block, AcDbDatabase* database);
