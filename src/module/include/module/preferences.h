// The user's preferences: units and precision of areas, the default size, width scale and
// rotation of attribute texts, the program that opens CSV files, the zoom border and the
// increment of new space numbers, kept in "prefs.cfg" in the module's preferences folder.
#pragma once

#include "host/measureunits.h"
#include "mfc/cstring.h"

class CPreferences
{
public:
    CPreferences();
    virtual ~CPreferences() = default;

    // Reads the file: four comment lines, then each key on a line and its value on the next.
    // False when the file cannot be read (the values stay as they were). Values the program
    // cannot use are brought into range: units 1 imperial and any other metric, precision -1 to 1074, text size and scale finite
    // and positive, rotation finite and within one turn, zoom border finite.
    bool loadPreferences();
    // Writes the file whole; a failed save leaves the old file as it was.
    bool savePreferences();

    CMeasureUnits getUnits() const { return m_units; }
    void setUnits(CMeasureUnits units) { m_units = units; }
    int getPrecision() const { return m_precision; }
    void setPrecision(int precision) { m_precision = precision; }
    double getTextSize() const { return m_textSize; }
    void setTextSize(double size) { m_textSize = size; }
    double getTextScale() const { return m_textScale; }
    void setTextScale(double scale) { m_textScale = scale; }
    double getTextRotation() const { return m_textRotation; }
    void setTextRotation(double rotation) { m_textRotation = rotation; }
    int getInc() const { return m_inc; }
    void setInc(int inc) { m_inc = inc; }
    CString getCsvOpener() const { return m_csvOpener; }
    void setCsvOpener(CString opener) { m_csvOpener = std::move(opener); }
    double getZoomBorder() const { return m_zoomBorder; }
    void setZoomBorder(double border) { m_zoomBorder = border; }
    CString getFilePath() const { return m_filePath; }

    static CString trimString(CString text);
    static int parseInt(CString text);
    static double parseDouble(CString text);

private:
    void readValue(const CString& key, const CString& value);
    CString fileText() const;

    CMeasureUnits m_units = CMeasureUnits::kMetric;
    int m_precision = 2;
    double m_textSize = 250.0;
    double m_textScale = 1.0;
    double m_textRotation = 0.0;
    int m_inc = 1;
    CString m_csvOpener = "NONE";
    double m_zoomBorder = 1000.0;
    CString m_filePath;
};
