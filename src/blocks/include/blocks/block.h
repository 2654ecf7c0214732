// The record of one space (a room, the gross area of a floor, a building or a site): its
// identity, measures, descriptive texts, class code and hyperlinks. The drawing-side and
// register-side blocks derive from it; a collection holds them all as CBlock pointers and
// tells them apart by the class code.
#pragma once

#include "host/measureunits.h"
#include "mfc/cstring.h"

class CHyperlinks;

// The class codes of the space-block record and the classes derived from it.
enum CBlockType : int {
    kBlock = 0,
    kBlockQPX = 1,
    kBlockQPXRoom = 2,
    kBlockQPXFloor = 3,
    kBlockQPXBuilding = 4,
    kBlockQPXSite = 5,
    kBlockDWG = 6,
    kBlockDWGRoom = 7,
    kBlockDWGFloor = 8,
    kBlockDWGBuilding = 9,
    kBlockDWGSite = 10,
};

class CBlock
{
public:
    CBlock() = default;
    // Virtual, so that whoever owns a block may delete it through a CBlock pointer.
    virtual ~CBlock();
    CBlock(const CBlock&) = delete;
    CBlock& operator=(const CBlock&) = delete;

    // Copies every field into the target except the hyperlinks, which the target keeps.
    void copyTo(CBlock* target) const;
    // volume := area x room height.
    void calculateVolume() { m_volume = m_area * m_roomHeight; }

    CString getHandle() const { return m_handle; }
    void setHandle(CString handle) { m_handle = std::move(handle); }
    CString getName() const { return m_name; }
    void setName(CString name) { m_name = std::move(name); }
    CString getCode() const { return m_code; }
    void setCode(CString code) { m_code = std::move(code); }
    // Unknown on a drawing-side block not yet measured, or whose record names no unit the
    // module knows.
    CMeasureUnits getUnits() const { return m_units; }
    void setUnits(CMeasureUnits units) { m_units = units; }
    // Decimals of the measures; -1 on a drawing-side block means "not known".
    int getPrecision() const { return m_precision; }
    void setPrecision(int precision) { m_precision = precision; }
    double getArea() const { return m_area; }
    void setArea(double area) { m_area = area; }
    double getPerimeter() const { return m_perimeter; }
    void setPerimeter(double perimeter) { m_perimeter = perimeter; }
    CString getTagType() const { return m_tagType; }
    void setTagType(CString text) { m_tagType = std::move(text); }
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
    double getRoomHeight() const { return m_roomHeight; }
    void setRoomHeight(double height) { m_roomHeight = height; }
    CString getSpecialReq() const { return m_specialReq; }
    void setSpecialReq(CString text) { m_specialReq = std::move(text); }
    CString getTotStaff() const { return m_totStaff; }
    void setTotStaff(CString text) { m_totStaff = std::move(text); }
    CString getTotWkStns() const { return m_totWkStns; }
    void setTotWkStns(CString text) { m_totWkStns = std::move(text); }
    double getVolume() const { return m_volume; }
    void setVolume(double volume) { m_volume = volume; }
    int getSpare() const { return m_spare; }
    void setSpare(int spare) { m_spare = spare; }
    int getBlockType() const { return m_blockType; }
    CHyperlinks* getHyperlinks() const { return m_hyperlinks; }
    // Takes over the list; the one it replaces is not deleted.
    void setHyperlinks(CHyperlinks* hyperlinks) { m_hyperlinks = hyperlinks; }

protected:
    void setBlockType(int type) { m_blockType = type; }

    CString m_handle;
    CString m_name;
    CString m_code;
    CMeasureUnits m_units = CMeasureUnits::kMetric;
    int m_precision = 2;
    double m_area = 0.0;
    double m_perimeter = 0.0;
    CString m_tagType;
    CString m_areaType;
    CString m_costCentre;
    CString m_date;
    CString m_dateLastMove;
    CString m_deptCharge;
    double m_roomHeight = 0.0;
    CString m_specialReq;
    CString m_totStaff;
    CString m_totWkStns;
    double m_volume = 0.0;
    int m_blockType = kBlock;
    int m_spare = 0;
    CHyperlinks* m_hyperlinks = nullptr;
};
