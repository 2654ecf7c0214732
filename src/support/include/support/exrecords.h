// The records with fixed texts: invalid input, hatching warnings and missing XML. Each
// differs from the base only in how its constructor writes the description and severity.
#pragma once

#include "support/exkavro.h"

class CEXInvalidHandle : public CEXKavro
{
public:
    CEXInvalidHandle(CString handle, CString source, CString file, CString procSig);
};

class CEXInvalidHexColour : public CEXKavro
{
public:
    CEXInvalidHexColour(CString source, CString file, CString procSig, CString colour);
};

class CEXInvalidPlotFilename : public CEXKavro
{
public:
    CEXInvalidPlotFilename(CString source, CString file, CString procSig, CString filename);
};

class CEXInvalidXMLFile : public CEXKavro
{
public:
    CEXInvalidXMLFile(CString source, CString file, CString procSig, CString filename);
};

class CEXSegmentAreaOverTotal : public CEXKavro
{
public:
    CEXSegmentAreaOverTotal(CString source, CString file, CString procSig, double segmentArea, double totalArea);
};

class CEXAdditionalHatchAreas : public CEXKavro
{
public:
    CEXAdditionalHatchAreas(CString blockName, CString source, CString file, CString procSig);
};

class CEXNoHatchAreas : public CEXKavro
{
public:
    CEXNoHatchAreas(CString blockName, CString source, CString file, CString procSig);
};

class CEXHatchAroundAttributes : public CEXKavro
{
public:
    CEXHatchAroundAttributes(CString blockName, CString handle, CString source, CString file, CString procSig);
};

// An asset whose block holds nothing measurable: there is no outline to hatch.
class CEXHatchNoAssetExtents : public CEXKavro
{
public:
    CEXHatchNoAssetExtents(CString handle, CString source, CString file, CString procSig);
};

class CEXHatchNotDenseEnough : public CEXKavro
{
public:
    CEXHatchNotDenseEnough(CString objectText, CString pattern, double scale, CString source, CString file,
                           CString procSig);
};

class CEXHatchPolylineNotClosed : public CEXKavro
{
public:
    CEXHatchPolylineNotClosed(CString blockName, CString handle, CString source, CString file, CString procSig);
};

class CEXHatchTooDense : public CEXKavro
{
public:
    CEXHatchTooDense(CString objectText, CString pattern, double scale, CString source, CString file,
                     CString procSig);
};

class CEXXMLNotAvailable : public CEXKavro
{
public:
    CEXXMLNotAvailable(CString source, CString file, CString procSig);
};

class CEXXMLMissingField : public CEXKavro
{
public:
    CEXXMLMissingField(CString xmlFile, CString field, CString source, CString file, CString procSig);
};

// A space block whose values could not be written back to its reference (on a locked
// layer, say): the reference is left as it was.
class CEXBlockNotWritten : public CEXKavro
{
public:
    CEXBlockNotWritten(CString blockName, CString handle, CString reason, CString source, CString file,
                       CString procSig);
    // Why, as "its layer "L" is locked".
    CString getReason() const { return m_reason; }

private:
    CString m_reason;
};

// The user cancelled a prompt the command cannot go on without; the command ends quietly.
class CEXCancelled : public CEXKavro
{
public:
    CEXCancelled(CString source, CString file, CString procSig);
};
