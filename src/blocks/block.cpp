#include "blocks/block.h"

#include "blocks/hyperlinks.h"

CBlock::~CBlock()
{
    delete m_hyperlinks;
}

void CBlock::copyTo(CBlock* target) const
{
    target->m_handle = m_handle;
    target->m_name = m_name;
    target->m_code = m_code;
    target->m_units = m_units;
    target->m_precision = m_precision;
    target->m_area = m_area;
    target->m_perimeter = m_perimeter;
    target->m_tagType = m_tagType;
    target->m_areaType = m_areaType;
    target->m_costCentre = m_costCentre;
    target->m_date = m_date;
    target->m_dateLastMove = m_dateLastMove;
    target->m_deptCharge = m_deptCharge;
    target->m_roomHeight = m_roomHeight;
    target->m_specialReq = m_specialReq;
    target->m_totStaff = m_totStaff;
    target->m_totWkStns = m_totWkStns;
    target->m_volume = m_volume;
    target->m_blockType = m_blockType;
    target->m_spare = m_spare;
}
