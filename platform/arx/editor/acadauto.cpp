#include "arx/acadauto.h"

#include "arx/acdocman.h"
#include "arx/acedview.h"
#include "mfc/exceptions.h"

namespace {

AcApDocument* activeDocument()
{
    AcApDocument* document = acDocManagerPtr()->curDocument();
    if (!document)
        AfxThrowOleDispatchException(0, "No document is active.");
    return document;
}

// The point held by a variant: an array of three doubles.
AcGePoint3d pointOf(const VARIANT& value)
{
    if (value.vt != (VT_ARRAY | VT_R8))
        AfxThrowOleDispatchException(0, "Invalid argument: a point is an array of three doubles.");
    double xyz[3] = {0, 0, 0};
    for (LONG i = 0; i < 3; ++i)
        if (FAILED(SafeArrayGetElement(value.parray, &i, &xyz[i])))
            AfxThrowOleDispatchException(0, "Invalid argument: a point is an array of three doubles.");
    return AcGePoint3d(xyz[0], xyz[1], xyz[2]);
}

} // namespace

void IAcadDocument::Regen(int)
{
    // Nothing is shown: regenerating has nothing to redraw, but the document must exist.
    activeDocument();
}

void IAcadDocument::Close(const VARIANT& saveChanges, const VARIANT&)
{
    if (saveChanges.vt == VT_BOOL && saveChanges.boolVal)
        AfxThrowOleDispatchException(0, "Saving while closing is not offered.");
    acDocManagerPtr()->closeDocument(activeDocument());
}

void IAcadApplication::put_Visible(VARIANT_BOOL) {}

void IAcadApplication::ZoomExtents()
{
    qv::zoomExtents(activeDocument()->database());
}

void IAcadApplication::ZoomPrevious()
{
    qv::zoomPrevious(activeDocument()->database());
}

void IAcadApplication::ZoomWindow(const VARIANT& lowerLeft, const VARIANT& upperRight)
{
    if (!qv::zoomWindow(activeDocument()->database(), pointOf(lowerLeft), pointOf(upperRight)))
        AfxThrowOleDispatchException(0, "Invalid zoom window.");
}

IAcadDocument* IAcadApplication::get_ActiveDocument()
{
    activeDocument();
    static IAcadDocument document;
    return &document;
}

IAcadApplication* AcadGetIDispatch(BOOL)
{
    static IAcadApplication application;
    return &application;
}
