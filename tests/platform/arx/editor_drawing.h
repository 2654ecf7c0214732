// A drawing that the editor works on (the working database, no document open), its input
// lines and its captured output, with helpers that fill it.
#pragma once

#include "arx/acedinput.h"
#include "arx/acedselect.h"
#include "arx/acutprintf.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

class EditorDrawing : public ::testing::Test
{
protected:
    EditorDrawing()
    {
        acdbHostApplicationServices()->setWorkingDatabase(&db);
        qv::setOutputSink([this](const std::string& text) { output += text; });
        qv::setInputSource(qv::makeLineInput({}));
    }
    ~EditorDrawing() override
    {
        EXPECT_EQ(db.openObjectCount(), 0);
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
        qv::setOutputSink({});
        qv::setInputSource(nullptr);
    }

    void input(std::vector<std::string> lines, bool typed = false)
    {
        qv::setInputSource(qv::makeLineInput(std::move(lines), typed));
    }

    // Appends an entity to a block record (model space by default) and closes it.
    AcDbObjectId add(AcDbEntity* ent, AcDbObjectId space = AcDbObjectId())
    {
        AcDbBlockTableRecord* btr = nullptr;
        EXPECT_EQ(acdbOpenObject(btr, space.isNull() ? db.modelSpaceId() : space, AcDb::kForWrite), Acad::eOk);
        AcDbObjectId id;
        EXPECT_EQ(btr->appendAcDbEntity(id, ent), Acad::eOk);
        ent->close();
        btr->close();
        return id;
    }

    static AcDbPolyline* rectangle(double x, double y, double w, double h, double bulgeOfRightSide = 0)
    {
        auto* pl = new AcDbPolyline;
        pl->addVertexAt(0, AcGePoint2d(x, y));
        pl->addVertexAt(1, AcGePoint2d(x + w, y), bulgeOfRightSide);
        pl->addVertexAt(2, AcGePoint2d(x + w, y + h));
        pl->addVertexAt(3, AcGePoint2d(x, y + h));
        pl->setClosed(true);
        return pl;
    }

    AcDbObjectId room(double x, double y, double w, double h, AcDbObjectId space = AcDbObjectId())
    {
        return add(rectangle(x, y, w, h), space);
    }

    // A block definition holding the entities (in definition coordinates).
    AcDbObjectId define(const char* name, const std::vector<AcDbEntity*>& entities)
    {
        AcDbBlockTable* table = nullptr;
        EXPECT_EQ(db.getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
        auto* btr = new AcDbBlockTableRecord;
        btr->setName(name);
        AcDbObjectId id;
        EXPECT_EQ(table->add(id, btr), Acad::eOk);
        table->close();
        btr->close();
        for (AcDbEntity* ent : entities)
            add(ent, id);
        return id;
    }

    // A reference with one attribute per (tag, text).
    AcDbObjectId insert(AcDbObjectId definition, const AcGePoint3d& at, AcDbObjectId space = AcDbObjectId(),
                        const std::vector<std::pair<const char*, const char*>>& attributes = {})
    {
        auto* ref = new AcDbBlockReference(at, definition);
        const AcDbObjectId id = add(ref, space);
        AcDbBlockReference* open = nullptr;
        EXPECT_EQ(acdbOpenObject(open, id, AcDb::kForWrite), Acad::eOk);
        double y = at.y;
        for (const auto& [tag, text] : attributes) {
            auto* attribute = new AcDbAttribute(AcGePoint3d(at.x, y -= 1.0, 0), text, tag);
            attribute->setHeight(0.5);
            EXPECT_EQ(open->appendAttribute(attribute), Acad::eOk);
            attribute->close();
        }
        open->close();
        return id;
    }

    AcDbObjectId layer(const char* name)
    {
        AcDbLayerTable* layers = nullptr;
        EXPECT_EQ(db.getSymbolTable(layers, AcDb::kForWrite), Acad::eOk);
        auto* rec = new AcDbLayerTableRecord;
        rec->setName(name);
        AcDbObjectId id;
        EXPECT_EQ(layers->add(id, rec), Acad::eOk);
        rec->close();
        layers->close();
        return id;
    }

    // The set's entities, in order; the set is freed.
    static std::vector<AcDbObjectId> take(const ads_name set)
    {
        std::vector<AcDbObjectId> ids;
        Adesk::Int32 length = 0;
        EXPECT_EQ(acedSSLength(set, &length), RTNORM);
        for (Adesk::Int32 i = 0; i < length; ++i) {
            ads_name name;
            AcDbObjectId id;
            EXPECT_EQ(acedSSName(set, i, name), RTNORM);
            EXPECT_EQ(acdbGetObjectId(id, name), Acad::eOk);
            ids.push_back(id);
        }
        EXPECT_EQ(acedSSFree(set), RTNORM);
        return ids;
    }

    // The entity a pick answers with, or the null id; the status goes to status.
    AcDbObjectId pick(const std::string& answer, int* status = nullptr)
    {
        input({answer});
        ads_name name;
        ads_point at;
        const int result = acedEntSel("", name, at);
        if (status)
            *status = result;
        AcDbObjectId id;
        if (result == RTNORM) {
            EXPECT_EQ(acdbGetObjectId(id, name), Acad::eOk);
        }
        return id;
    }

    AcDbDatabase db;
    std::string output;
};
