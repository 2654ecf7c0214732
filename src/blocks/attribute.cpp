#include "blocks/attribute.h"

#include "procedurecall.h"
#include "support/kavroguard.h"

CAttribute::CAttribute(CString tag, CString value, int exists)
    : m_tag(std::move(tag)), m_value(std::move(value)), m_exists(exists)
{
}

CAttribute* CAttribute::clone() const
{
    return kavroGuard("CAttribute::clone", __FILE__, [&] { return new CAttribute(m_tag, m_value, m_exists); });
}

void CAttribute::applyToQPX(CStoredProcedure* procedure, int drawingID, CString handle, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CAttribute::applyToQPX", __FILE__, [&] {
        using namespace procedurecall;
        addInt(parameters, "@drawingID", drawingID);
        addText(parameters, "@handle", 255, handle);
        addText(parameters, "@tag", 255, m_tag);
        addText(parameters, "@value", 255, m_value);
        addFlag(parameters, "@exists", m_exists);
        procedure->setTimeout(timeout);
        procedure->setName("__to_applyAssetAttributeToQPX");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}
