#include "blocks/blockqpx.h"

#include "blocks/assets.h"
#include "procedurecall.h"

CBlockQPX::CBlockQPX()
{
    setBlockType(kBlockQPX);
}

CBlockQPX::~CBlockQPX() = default;

void CBlockQPX::setAssets(CAssets* assets)
{
    (void)m_assets.release();
    m_assets.reset(assets);
}

void CBlockQPX::applyToQPX(CStoredProcedure*, int, int) {}

void CBlockQPX::writeSpace(CStoredProcedure* procedure, int timeout, const char* procedureName,
                           CParameters& parameters)
{
    using namespace procedurecall;
    addInt(parameters, "@locationID", m_locationID, ADODB::adParamInputOutput);
    addInt(parameters, "@parentID", m_parentID);
    addText(parameters, "@name", 255, m_name);
    addText(parameters, "@code", 255, m_code);
    addFlag(parameters, "@statusExists", m_statusExists);
    addFlag(parameters, "@statusDuplicate", m_statusDuplicate);
    addDecimal(parameters, "@area", m_area);
    addText(parameters, "@handle", 255, m_handle);
    addDecimal(parameters, "@perimeter", m_perimeter);
    addInt(parameters, "@precision", m_precision);
    procedure->setTimeout(timeout);
    procedure->setName(procedureName);
    procedure->execSPNoReturnParasReturn();
    m_locationID = static_cast<long>(parameters.getParameter("@locationID")->getValue());
}

void CBlockQPX::writeGrossArea(CStoredProcedure* procedure, int timeout, const char* procedureName,
                               CParameters& parameters)
{
    using namespace procedurecall;
    addInt(parameters, "@locationID", m_locationID);
    addDecimal(parameters, "@area", m_area);
    addText(parameters, "@handle", 255, m_handle);
    addDecimal(parameters, "@perimeter", m_perimeter);
    addInt(parameters, "@precision", m_precision);
    procedure->setTimeout(timeout);
    procedure->setName(procedureName);
    procedure->execSPNoReturnParas();
}
