// A page for the nine free-text fields of a space block's XData record (area type, cost
// centre, dates, department charge, special requirements, tag type, staff and workstation
// totals). It keeps no block: each operation is given the block it reads or writes.
#pragma once

#include "mfc/dialog.h"

class CBlockDWG;

class CTabXData : public CDialog
{
public:
    explicit CTabXData(CWnd* parent = nullptr);

    // The fields from the block, shown in the controls.
    void initialiseData(CBlockDWG* block);
    // The controls' texts into the block's fields.
    void applyChanges(CBlockDWG* block);

    CString getAreaType() const { return m_areaType; }
    void setAreaType(CString text) { m_areaType = std::move(text); }
    CString getCostCentre() const { return m_costCentre; }
    void setCostCentre(CString text) { m_costCentre = std::move(text); }
    CString getDate() const { return m_date; }
    void setDate(CString text) { m_date = std::move(text); }
    CString getDateLastMove() const { return m_dateLastMove; }
    void setDateLastMove(CString text) { m_dateLastMove = std::move(text); }
    CString getDeptCharge() const { return m_deptCharge; }
    void setDeptCharge(CString text) { m_deptCharge = std::move(text); }
    CString getSpecialReq() const { return m_specialReq; }
    void setSpecialReq(CString text) { m_specialReq = std::move(text); }
    CString getTagType() const { return m_tagType; }
    void setTagType(CString text) { m_tagType = std::move(text); }
    CString getTotStaff() const { return m_totStaff; }
    void setTotStaff(CString text) { m_totStaff = std::move(text); }
    CString getTotWkStns() const { return m_totWkStns; }
    void setTotWkStns(CString text) { m_totWkStns = std::move(text); }

protected:
    void DoDataExchange(CDataExchange* dx) override;

private:
    CString m_areaType;
    CString m_costCentre;
    CString m_date;
    CString m_dateLastMove;
    CString m_deptCharge;
    CString m_specialReq;
    CString m_tagType;
    CString m_totStaff;
    CString m_totWkStns;
};
