// The parameters that the register writes and reads, the TP exports and the report-category
// reads make, in the procedure's order. The calls run under procedureGuard and read their rows
// with RowSet.
#pragma once

#include "blocks/block.h"
#include "database/exstoredprocedure.h"
#include "database/parameterboolean.h"
#include "database/parameterdecimal.h"
#include "database/parameterint.h"
#include "database/parametervarchar.h"
#include "database/procedureguard.h"
#include "database/storedprocedure.h"

#include <memory>

namespace procedurecall {

template <class P>
P* append(CParameters& list, const char* name, int direction, std::unique_ptr<P> parameter)
{
    parameter->setName(name);
    parameter->setDirection(direction);
    list.add(parameter.get());
    return parameter.release();
}

inline CParameterInt* addInt(CParameters& list, const char* name, int value,
                             int direction = ADODB::adParamInput)
{
    auto parameter = std::make_unique<CParameterInt>();
    parameter->setValue(value);
    return append(list, name, direction, std::move(parameter));
}

inline void addText(CParameters& list, const char* name, int size, const CString& value)
{
    auto parameter = std::make_unique<CParameterVarChar>();
    parameter->setSize(size);
    parameter->setValue(value.GetString());
    append(list, name, ADODB::adParamInput, std::move(parameter));
}

// Precision 18 and scale 10: eight digits before the point.
inline void addDecimal(CParameters& list, const char* name, double value)
{
    auto parameter = std::make_unique<CParameterDecimal>();
    parameter->setPrecision(18);
    parameter->setScale(10);
    parameter->setValue(value);
    append(list, name, ADODB::adParamInput, std::move(parameter));
}

inline void addFlag(CParameters& list, const char* name, int value)
{
    auto parameter = std::make_unique<CParameterBoolean>();
    parameter->setValue(value);
    append(list, name, ADODB::adParamInput, std::move(parameter));
}

// An output flag, sent without a value of its own.
inline void addOutputFlag(CParameters& list, const char* name)
{
    append(list, name, ADODB::adParamOutput, std::make_unique<CParameterBoolean>());
}

// The TP export's parameters from "@area" to "@exportParameters": the block's measures and
// texts as the record holds them, then the caller's export text.
inline void addTPSpaceData(CParameters& list, const CBlock& block, const CString& exportParameters)
{
    addDecimal(list, "@area", block.getArea());
    addText(list, "@areaType", 255, block.getAreaType());
    addText(list, "@costCentre", 255, block.getCostCentre());
    addText(list, "@date", 255, block.getDate());
    addText(list, "@dateLastMove", 255, block.getDateLastMove());
    addText(list, "@deptCharge", 255, block.getDeptCharge());
    addText(list, "@handle", 255, block.getHandle());
    addDecimal(list, "@perimeter", block.getPerimeter());
    addDecimal(list, "@roomHeight", block.getRoomHeight());
    addText(list, "@specialReq", 255, block.getSpecialReq());
    addText(list, "@tagType", 255, block.getTagType());
    addText(list, "@totStaff", 255, block.getTotStaff());
    addText(list, "@totWkStns", 255, block.getTotWkStns());
    addDecimal(list, "@volume", block.getVolume());
    addText(list, "@exportParameters", 255, exportParameters);
}

// A room's or a building's TP parameters: parent, name and code, then the space data.
inline void addTPSpaceBlock(CParameters& list, const CBlock& block, int parentID, const CString& exportParameters)
{
    addInt(list, "@parentID", parentID);
    addText(list, "@name", 255, block.getName());
    addText(list, "@code", 255, block.getCode());
    addTPSpaceData(list, block, exportParameters);
}

// A floor's or a site's TP parameters: the location, then the space data.
inline void addTPGrossArea(CParameters& list, const CBlock& block, int locationID, const CString& exportParameters)
{
    addInt(list, "@locationID", locationID);
    addTPSpaceData(list, block, exportParameters);
}

} // namespace procedurecall
