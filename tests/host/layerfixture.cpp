#include "layerfixture.h"

#include "arx/dblayout.h"
#include "arx/dbviewport.h"
#include "common/tempdir.h"

#include <cstdio>
#include <sstream>

void LayerDrawingTest::SetUp()
{
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    document = acDocManager->curDocument();
    db = document->database();
    drawing.setDocument(document);
    drawing.setFullPath(document->fileName());
    drawing.setOpen(TRUE);
    drawing.setKeepOpen(TRUE);
}

void LayerDrawingTest::TearDown()
{
    EXPECT_EQ(db->openObjectCount(), 0) << "objects left open";
    EXPECT_FALSE(drawing.isLocked()) << "drawing left locked";
    EXPECT_EQ(document->lockCount(), 0);
    acDocManager->setLockDecider(nullptr);
    acDocManager->closeAll();
}

AcDbObjectId LayerDrawingTest::addLayer(const char* name, bool frozen, bool locked, bool off, bool plottable,
                                        AcDb::LineWeight weight)
{
    auto* record = new AcDbLayerTableRecord;
    record->setName(name);
    record->setIsFrozen(frozen);
    record->setIsLocked(locked);
    record->setIsOff(off);
    record->setIsPlottable(plottable);
    record->setLineWeight(weight);
    AcDbLayerTable* table = nullptr;
    EXPECT_EQ(db->getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(table->add(id, record), Acad::eOk);
    record->close();
    table->close();
    return id;
}

std::string LayerDrawingTest::layerState(const char* name) const
{
    AcDbLayerTable* table = nullptr;
    EXPECT_EQ(db->getSymbolTable(table, AcDb::kForRead), Acad::eOk);
    AcDbLayerTableRecord* record = nullptr;
    std::ostringstream out;
    if (table->getAt(name, record) == Acad::eOk) {
        out << record->isFrozen() << ' ' << record->isLocked() << ' ' << record->isOff() << ' '
            << record->isPlottable() << ' ' << record->lineWeight();
        record->close();
    } else {
        out << "missing";
    }
    table->close();
    return out.str();
}

AcDbObjectIdArray LayerDrawingTest::layoutWithViewports(const char* name, int viewports)
{
    AcDbObjectId layoutId, blockId;
    EXPECT_EQ(acdbLayoutManager()->createLayout(name, layoutId, blockId, db), Acad::eOk);
    AcDbBlockTableRecord* block = nullptr;
    EXPECT_EQ(acdbOpenObject(block, blockId, AcDb::kForWrite), Acad::eOk);
    AcDbObjectIdArray ids;
    for (int i = 0; i < viewports; ++i) {
        auto* viewport = new AcDbViewport;
        viewport->setCenterPoint(AcGePoint3d(100.0 * i + 50, 100, 0));
        viewport->setWidth(80);
        viewport->setHeight(80);
        AcDbObjectId id;
        EXPECT_EQ(block->appendAcDbEntity(id, viewport), Acad::eOk);
        viewport->close();
        ids.push_back(id);
    }
    block->close();
    return ids;
}

SavedDrawing LayerDrawingTest::saveAndRead()
{
    TempDir dir;
    const std::string path = dir.file("state.dxf");
    EXPECT_EQ(db->saveAs(path.c_str()), Acad::eOk);
    const std::string script = dir.file("read.py");
    writeFile(script, "import sys, ezdxf\n"
                      "doc = ezdxf.readfile(sys.argv[1])\n"
                      "for l in doc.layers:\n"
                      "    print('layer', l.dxf.name, int(l.is_on()), int(l.is_frozen()), int(l.is_locked()),\n"
                      "          int(l.dxf.get('plot', 1)), l.dxf.get('lineweight', -3), sep='\\t')\n"
                      "for lay in doc.layouts:\n"
                      "    for v in lay.query('VIEWPORT'):\n"
                      "        print('viewport', lay.name, ','.join(sorted(v.frozen_layers)), sep='\\t')\n"
                      "print('clayer', doc.header.get('$CLAYER', '0'), sep='\\t')\n"
                      "print('tilemode', doc.header.get('$TILEMODE', 1), sep='\\t')\n");
    SavedDrawing saved;
    FILE* pipe = popen(("/usr/bin/python3 " + script + " " + path + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << output;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');)
            f.push_back(field);
        if (f.size() == 7 && f[0] == "layer")
            saved.layers[f[1]] = {f[2] == "1", f[3] == "1", f[4] == "1", f[5] == "1", std::stoi(f[6])};
        else if (f.size() >= 2 && f[0] == "viewport")
            saved.viewportFrozen[f[1]].push_back(f.size() > 2 ? f[2] : "");
        else if (f.size() == 2 && f[0] == "clayer")
            saved.currentLayer = f[1];
        else if (f.size() == 2 && f[0] == "tilemode")
            saved.modelShown = f[1] == "1";
    }
    return saved;
}
