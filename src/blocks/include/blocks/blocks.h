// The space blocks that a command, a dialog or a graphic report works on: loaded from the
// drawing by selection sets or a walk of model space, each reference built as its kind of
// space block; looked up by index, handle and code; sorted by handle.
//
// The collection destroys only plain CBlock records (class code 0): every other block is
// released without being destroyed, because callers may share objects between blocks (one
// hatch style for all of them, say). Whoever loads drawing-side blocks destroys them, with
// destroyBlocks when nothing else holds them.
#pragma once

#include "arx/resbuf.h"
#include "blocks/block.h"
#include "mfc/carray.h"
#include "msxml/dom.h"

class CHatch;
class AcApDocument;
class AcDbBlockReference;
class AcDbObject;
class CAcadDrawing;
class CBlockQPX;
class CHatch;
class CStoredProcedure;

class CBlocks
{
public:
    CBlocks() = default;
    ~CBlocks();
    CBlocks(const CBlocks&) = delete;
    CBlocks& operator=(const CBlocks&) = delete;

    // Appends the block; returns the new count.
    int addBlock(CBlock* block);
    int count() const { return m_blocks.GetSize(); }
    // Raises an error outside the collection.
    CBlock* getAt(int index) const;
    // The first block whose handle text equals the text (exact), or null.
    CBlock* getAt(CString handle) const;
    // The first block whose code equals the text (exact), or null.
    CBlock* getByCode(CString code) const;
    // The first register block whose location id is the id, or null; blocks of other kinds
    // are passed over.
    CBlockQPX* getAtQPXBlock(int locationID) const;
    // Puts the block in the slot and releases the one that was there.
    void replaceAt(int index, CBlock* block);
    // Destroys a plain record; any other block is left alone.
    void deleteObject(CBlock* block);
    void deleteObjects();
    // Destroys every block, whatever its kind, and empties the collection.
    void destroyBlocks();
    // Orders by handle read as a hexadecimal number, smallest first unless ascending is 0;
    // equal handles keep their order.
    void sortBlocksByHandle(int ascending);
    // Zooms the view to the outlines of all blocks, widened by the margin.
    void zoomToBlocks(CAcadDrawing* drawing, double margin);
    // The text after "NAME=" in the reference's XData record ("ADE", else "AECXDATA").
    CString readNameFromXData(AcDbObject* reference);

    // The element "kavroBlocks" with one "kavroBlock" per drawing-side block, in order;
    // blocks of other classes are left out.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) const;
    // Appends one new drawing-side block per "kavroBlock" node (local name) of the child
    // nodes of a "kavroBlocks" element, each with its own copy of the hatch style when one
    // is given. The blocks are the caller's to destroy (destroyBlocks).
    void deSerialize(MSXML2::IXMLDOMNodeListPtr nodes, CHatch* hatch);

    // Selections of block references in the whole drawing; the host's status (5100 when
    // the caller owns a set to free).
    int getKavroBlockSS(ads_name selectionSet);
    int getAcadBlockSS(ads_name selectionSet);
    int getLegendBlockSS(ads_name selectionSet);
    int getPieBlockSS(ads_name selectionSet);

    // Appends every space block of the drawing ("ROOM-*"), each as its kind: floors and
    // rooms for the drawing kind "f", else sites and buildings.
    void getKavroDWGBlocks_SS(CAcadDrawing* drawing, void* unused, int collectAssets, CString drawingKind);
    // The same for every block reference of model space but the marker blocks.
    void getKavroDWGBlocks_I(CAcadDrawing* drawing, void* unused, int collectAssets, CString drawingKind);
    // Appends every block reference of the drawing as a plain drawing-side block.
    void getAcadBlocks(CAcadDrawing* drawing, void* unused);
    void getLegendBlock_SS(CAcadDrawing* drawing);
    void getPieBlock_SS(CAcadDrawing* drawing);

    // Appends one drawing-side block per row of "__gr_getCategoryBlocks" for the report
    // category: handle, name, code, area, the NAME, AREA and AUX texts it swaps in, the
    // category's hyperlinks of the block and, when a hatch style is given, a copy of it.
    void getCategoryDWGBlocks(CStoredProcedure* procedure, int timeout, int categoryID, CHatch* hatch);
    // Appends one register block per row of "__to_getBlocksFromQPX" under the parent, as
    // the kind the row's type names; with withAssets, each room gets its location's assets.
    void getQPXBlocks(CStoredProcedure* procedure, int timeout, int parentID, int withAssets);

private:
    // The space block of a reference whose definition has the name, by its kind.
    CBlock* kindOf(AcDbBlockReference* reference, const CString& name, AcApDocument* document, int collectAssets,
                   const CString& drawingKind);
    // Runs a selection under the drawing's lock and hands each selected block reference,
    // open for read, with its definition's name, to make; what make returns is appended.
    template <class Make>
    void load(CAcadDrawing* drawing, int (CBlocks::*select)(ads_name), Make&& make);

    CArray<CBlock*> m_blocks;
};
