// A new current drawing for each test, with helpers to draw outlines, make space blocks
// with the module's own insertion, read them back, and check the drawing with ezdxf. At
// the end of every test no object may be left open, no selection set unfreed and the
// drawing unlocked.
#pragma once

#include "arx/acdocman.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "blocks/blockdwg.h"
#include "host/acaddrawing.h"
#include "support/exkavro.h"

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class DrawingTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A closed rectangle polyline in a block table record (model space by default).
    AcDbObjectId rectangle(double x, double y, double width, double height, AcDbObjectId owner = AcDbObjectId(),
                           const char* layer = "0");
    AcDbObjectId post(AcDbEntity* entity, AcDbObjectId owner = AcDbObjectId());
    AcDbObjectId addLayer(const char* name, bool locked = false);
    // Makes a block definition of the outline with the module's insertion and returns the
    // new reference; the block gets NAME, AREA and AUX values when given.
    AcDbObjectId insertSpace(CBlockDWG& block, AcDbObjectId outline, AcGePoint3d base, double textHeight = 250.0,
                             double rotation = 0.0);
    // A room block ready for insertion: definition name, units, precision, texts.
    std::unique_ptr<CBlockDWG> newRoom(const char* name, const char* code,
                                       CMeasureUnits units = CMeasureUnits::kMetric, int precision = 2);
    // The block read from a reference the way the loaders read it.
    std::unique_ptr<CBlockDWG> readBlock(AcDbObjectId reference);
    // A plain reference of a definition in a block table record, with XData items when given.
    AcDbObjectId reference(AcDbObjectId definition, AcGePoint3d position, AcDbObjectId owner = AcDbObjectId());
    AcDbObjectId definition(const char* name);
    // The last block reference of model space.
    AcDbObjectId lastReference() const;
    int modelSpaceCount() const;
    void setXData(AcDbObjectId id, const std::vector<std::pair<short, std::string>>& items);

    // Saves the drawing and describes it with ezdxf: {"audit": [messages], "dump": ...}.
    QJsonObject saveAndDump();

    AcApDocument* document = nullptr;
    AcDbDatabase* db = nullptr;
    CAcadDrawing drawing;

private:
    size_t m_openSets = 0;
    std::string m_folder;
};

// Runs body and returns the error chain it raises (null when it raises none); the caller
// owns the chain.
template <class Body>
std::unique_ptr<CEXKavro, void (*)(CEXKavro*)> raised(Body&& body)
{
    try {
        body();
    } catch (CEXKavro* e) {
        return {e, CEXKavro::deleteChain};
    }
    return {nullptr, CEXKavro::deleteChain};
}

// The xdata strings of an ezdxf entity description for the application.
std::vector<std::string> xdataStrings(const QJsonObject& entity, const char* app);
