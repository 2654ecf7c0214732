#include "module/tabxdata.h"

#include "blocks/blockdwg.h"
#include "mfc/dataexchange.h"
#include "module/resource.h"

CTabXData::CTabXData(CWnd* parent) : CDialog(IDD_TAB_XDATA, parent) {}

void CTabXData::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_XD_AREA_TYPE, m_areaType);
    DDX_Text(dx, IDC_XD_COST_CENTRE, m_costCentre);
    DDX_Text(dx, IDC_XD_DATE, m_date);
    DDX_Text(dx, IDC_XD_DEPT_CHARGE, m_deptCharge);
    DDX_Text(dx, IDC_XD_SPECIAL_REQ, m_specialReq);
    DDX_Text(dx, IDC_XD_TAGTYPE, m_tagType);
    DDX_Text(dx, IDC_XD_TOT_STAFF, m_totStaff);
    DDX_Text(dx, IDC_XD_TOT_WKSTNS, m_totWkStns);
    DDX_Text(dx, IDC_XD_DATE_L_MOVE, m_dateLastMove);
}

void CTabXData::initialiseData(CBlockDWG* block)
{
    m_areaType = block->getAreaType();
    m_costCentre = block->getCostCentre();
    m_date = block->getDate();
    m_dateLastMove = block->getDateLastMove();
    m_deptCharge = block->getDeptCharge();
    m_specialReq = block->getSpecialReq();
    m_tagType = block->getTagType();
    m_totStaff = block->getTotStaff();
    m_totWkStns = block->getTotWkStns();
    UpdateData(FALSE);
}

void CTabXData::applyChanges(CBlockDWG* block)
{
    UpdateData(TRUE);
    block->setAreaType(m_areaType);
    block->setCostCentre(m_costCentre);
    block->setDate(m_date);
    block->setDateLastMove(m_dateLastMove);
    block->setDeptCharge(m_deptCharge);
    block->setSpecialReq(m_specialReq);
    block->setTagType(m_tagType);
    block->setTotStaff(m_totStaff);
    block->setTotWkStns(m_totWkStns);
}
