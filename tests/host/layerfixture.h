// A new current drawing for each layer test, wrapped as the module wraps the current
// drawing, with helpers to add layers and viewports and to read a saved copy back with
// ezdxf. At the end of every test no object may be left open and the drawing is unlocked.
#pragma once

#include "arx/acdocman.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "host/acaddrawing.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

// A layer as ezdxf reads it from the saved drawing.
struct SavedLayer {
    bool on = true, frozen = false, locked = false, plot = true;
    int lineWeight = -3;
};

// What ezdxf reads from the saved drawing: layers by name, the frozen layers of each
// viewport (by layout, in file order), the current layer and whether model space shows.
struct SavedDrawing {
    std::map<std::string, SavedLayer> layers;
    std::map<std::string, std::vector<std::string>> viewportFrozen;
    std::string currentLayer;
    bool modelShown = true;
};

class LayerDrawingTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    AcDbObjectId addLayer(const char* name, bool frozen = false, bool locked = false, bool off = false,
                          bool plottable = true, AcDb::LineWeight weight = AcDb::kLnWt025);
    // The record's flags and line weight as "frozen locked off plottable weight".
    std::string layerState(const char* name) const;
    // A new paper-space layout with the given number of viewports; their ids come back.
    AcDbObjectIdArray layoutWithViewports(const char* name, int viewports);
    SavedDrawing saveAndRead();

    AcApDocument* document = nullptr;
    AcDbDatabase* db = nullptr;
    CAcadDrawing drawing;
};
