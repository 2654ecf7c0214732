// The link lines of one graphic report, in the order added, owned; never two with the same
// start and end handles (a line from A to B and one from B to A are both kept).
#pragma once

#include "mfc/carray.h"
#include "reports/linkline.h"

class CStoredProcedure;

class CLinkLines
{
public:
    CLinkLines() = default;
    ~CLinkLines();
    CLinkLines(const CLinkLines&) = delete;
    CLinkLines& operator=(const CLinkLines&) = delete;

    // Takes the line; a duplicate of one held is destroyed instead.
    void add(CLinkLine* line);
    CLinkLine* getAt(int index) const { return m_lines.GetAt(index); }
    int getCount() const { return m_count; }
    void deleteObjects();

    // The "linkLines" element with one "linkLine" child per line.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);
    // Adds a line for every "linkLine" child of the element.
    void deSerialize(MSXML2::IXMLDOMNodePtr node);
    // Appends the report's lines read from the database ("__gr_getReportLinkLines").
    void getGraphicReportLinkLines(CStoredProcedure* procedure, int graphicReportID, int timeout);
    // Draws every line in order; the first failure ends the run.
    void applyToDrawing(CAcadDrawing* drawing, CAcadDrawingState* state);

private:
    CArray<CLinkLine*, CLinkLine*> m_lines;
    int m_count = 0;
};
