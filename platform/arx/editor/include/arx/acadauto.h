// The host application's automation object: view, regeneration and closing of the active
// document. Calls that cannot be carried out raise COleDispatchException.
#pragma once

#include "win/variant.h"

class IAcadDocument
{
public:
    // Regenerates the drawing; 1 for all viewports.
    void Regen(int which);
    // Closes the active document; only closing without saving is offered.
    void Close(const VARIANT& saveChanges, const VARIANT& fileName);
};

class IAcadApplication
{
public:
    void put_Visible(VARIANT_BOOL visible);
    void ZoomExtents();
    void ZoomPrevious();
    // Each corner is a variant holding an array of three doubles.
    void ZoomWindow(const VARIANT& lowerLeft, const VARIANT& upperRight);
    IAcadDocument* get_ActiveDocument();
};

IAcadApplication* AcadGetIDispatch(BOOL addRef);
