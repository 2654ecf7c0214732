// The categories of one graphic report, in the order they were added, owned; two
// categories of the same title and hatch style are never held together.
#pragma once

#include "mfc/carray.h"
#include "mfc/cstring.h"
#include "msxml/dom.h"
#include "reports/category.h"

class CStoredProcedure;

class CCategories
{
public:
    CCategories() = default;
    ~CCategories();
    CCategories(const CCategories&) = delete;
    CCategories& operator=(const CCategories&) = delete;

    // The "categories" element with one "category" child per category.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);
    // Adds a category for every "category" node of the list (others are skipped).
    void deSerialize(MSXML2::IXMLDOMNodeListPtr nodes);
    // Takes the category; a duplicate of one held (see CCategory::isDuplicateOf) is
    // destroyed instead of added.
    void add(CCategory* category);
    CCategory* getAt(int index) const { return m_categories.GetAt(index); }
    int count() const { return m_count; }
    // Appends the categories of a report read from the database ("__gr_getReportCategories").
    void getReportCategories(CStoredProcedure* procedure, int graphicReportID, int timeout);
    void deleteObjects();

private:
    CArray<CCategory*, CCategory*> m_categories;
    int m_count = 0;
};
