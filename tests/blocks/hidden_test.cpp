// Hiding the attributes of the assets inside a space and showing them again, checked in
// the saved drawing with ezdxf.
#include "fixture.h"

#include "arx/dbtext.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "blocks/kavroattribute.h"

#include <map>

namespace {

class HiddenAttributes : public DrawingTest
{
protected:
    // A reference of "DESK" with a visible "NUMBER" and a hidden "SERIAL" attribute.
    AcDbObjectId desk(double x, double y, const char* number)
    {
        if (m_desk.isNull()) {
            m_desk = definition("DESK");
            rectangle(0, 0, 200, 200, m_desk);
        }
        const AcDbObjectId id = reference(m_desk, AcGePoint3d(x, y, 0));
        AcDbBlockReference* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, id, AcDb::kForWrite), Acad::eOk);
        auto* shown = new AcDbAttribute(AcGePoint3d(x, y, 0), number, "NUMBER");
        opened->appendAttribute(shown);
        shown->close();
        auto* hidden = new AcDbAttribute(AcGePoint3d(x, y + 100, 0), "S-1", "SERIAL");
        hidden->setInvisible(true);
        opened->appendAttribute(hidden);
        hidden->close();
        opened->close();
        return id;
    }

    // NUMBER text -> whether that attribute is invisible in the saved drawing, for every
    // reference of "DESK"; and the room's attributes' flags.
    std::map<std::string, bool> hiddenNumbers(std::vector<int>& roomFlags)
    {
        std::map<std::string, bool> hidden;
        const QJsonObject described = saveAndDump();
        EXPECT_TRUE(described["audit"].toArray().isEmpty());
        for (const QJsonValue& value : described["dump"].toObject()["modelspace"].toArray()) {
            const QJsonObject entity = value.toObject();
            if (entity["type"].toString() != "INSERT")
                continue;
            const bool isDesk = entity["dxf"].toObject()["name"].toString() == "DESK";
            for (const QJsonValue& attrib : entity["attribs"].toArray()) {
                const QJsonObject dxf = attrib.toObject()["dxf"].toObject();
                const int flags = dxf["flags"].toInt();
                if (!isDesk)
                    roomFlags.push_back(flags);
                else if (dxf["tag"].toString() == "NUMBER")
                    hidden[dxf["text"].toString().toStdString()] = flags & 1;
                else
                    EXPECT_EQ(flags & 1, 1) << "SERIAL shown";
            }
        }
        return hidden;
    }

    // The room's outline (its definition's polyline, open for read) and position.
    void hide(AcDbObjectId room, CAttributes& recorded)
    {
        AcDbBlockReference* reference = nullptr;
        ASSERT_EQ(acdbOpenObject(reference, room, AcDb::kForRead), Acad::eOk);
        const AcGePoint3d position = reference->position();
        const AcDbObjectId outlineId = CBlockDWG::outlineOf(reference->blockTableRecord());
        reference->close();
        AcDbPolyline* outline = nullptr;
        ASSERT_EQ(acdbOpenObject(outline, outlineId, AcDb::kForRead), Acad::eOk);
        CAssets().setPolylineAssetAttributesInvisible(position, outline, &recorded);
        outline->close();
    }

private:
    AcDbObjectId m_desk;
};

} // namespace

TEST_F(HiddenAttributes, TheAssetsInsideASpaceLoseTheirTextsAndGetThemBack)
{
    const AcDbObjectId room =
        insertSpace(*newRoom("Office", "A1"), rectangle(1000, 1000, 4000, 3000), AcGePoint3d(1000, 1000, 0));
    desk(2000, 2000, "inside");
    desk(4900, 2000, "crossing");
    desk(9000, 9000, "outside");

    CAttributes recorded;
    hide(room, recorded);
    // One element per attribute hidden, recording it: not the one hidden before, not the
    // room's own texts.
    ASSERT_EQ(recorded.getCount(), 2);
    for (int i = 0; i < recorded.getCount(); ++i) {
        AcDbObjectId id;
        recorded.getAt(i)->getObjectId(id);
        AcDbAttribute* attribute = nullptr;
        ASSERT_EQ(acdbOpenObject(attribute, id, AcDb::kForRead), Acad::eOk);
        EXPECT_EQ(CString(attribute->tag()), "NUMBER");
        attribute->close();
    }
    std::vector<int> roomFlags;
    EXPECT_EQ(hiddenNumbers(roomFlags),
              (std::map<std::string, bool>{{"inside", true}, {"crossing", true}, {"outside", false}}));
    EXPECT_EQ(roomFlags, (std::vector<int>{0, 0, 0}));

    // Hidden texts are not recorded twice.
    hide(room, recorded);
    EXPECT_EQ(recorded.getCount(), 2);

    recorded.setAttributesIDsVisible();
    EXPECT_EQ(recorded.getCount(), 2);
    roomFlags.clear();
    EXPECT_EQ(hiddenNumbers(roomFlags),
              (std::map<std::string, bool>{{"inside", false}, {"crossing", false}, {"outside", false}}));
}

TEST_F(HiddenAttributes, RecordsThatNameNoAttributeArePassedOver)
{
    const AcDbObjectId kept = desk(0, 0, "kept");
    CAttributes recorded;
    AcDbBlockReference* reference = nullptr;
    ASSERT_EQ(acdbOpenObject(reference, kept, AcDb::kForRead), Acad::eOk);
    recorded.setAttributesIDsInvisible(reference);
    reference->close();
    // An element of another kind, one naming the reference itself and one naming nothing.
    recorded.add(new CKavroAttribute, 1);
    auto* notAnAttribute = new CAttribute;
    notAnAttribute->setObjectId(kept);
    recorded.add(notAnAttribute, 1);
    recorded.setAttributesIDsVisible();
    std::vector<int> roomFlags;
    EXPECT_EQ(hiddenNumbers(roomFlags), (std::map<std::string, bool>{{"kept", false}}));
    EXPECT_EQ(recorded.getCount(), 3);

    // Only block references are assets whose line weights the model would touch.
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, kept, AcDb::kForRead), Acad::eOk);
    CAsset asset;
    EXPECT_TRUE(asset.editLineWeights(opened));
    opened->close();
    AcDbPolyline line;
    EXPECT_FALSE(asset.editLineWeights(&line));
}

TEST_F(HiddenAttributes, AWalkOverTheTextsPassesOverErasedOnesAndThoseAddedOnTheWay)
{
    const AcDbObjectId id = desk(0, 0, "walked");
    AcDbBlockReference* reference = nullptr;
    ASSERT_EQ(acdbOpenObject(reference, id, AcDb::kForWrite), Acad::eOk);
    CAttributes::forEachAttribute(reference, AcDb::kForWrite, [](AcDbAttribute* attribute) {
        if (std::string(attribute->tagConst()) == "SERIAL")
            attribute->erase();
    });
    std::vector<std::string> tags;
    auto walk = [&] {
        tags.clear();
        CAttributes::forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* attribute) {
            tags.push_back(attribute->tagConst());
            // Enough added texts to move the reference's list of them.
            for (int i = 0; tags.size() == 1 && i < 8; ++i) {
                auto* added = new AcDbAttribute(AcGePoint3d::kOrigin, "", "ADDED");
                ASSERT_EQ(reference->appendAttribute(added), Acad::eOk);
                added->close();
            }
        });
    };
    walk();
    EXPECT_EQ(tags, (std::vector<std::string>{"NUMBER"}));
    // The next walk sees what the first one added, not what it adds itself.
    walk();
    EXPECT_EQ(tags.size(), 9u);
    reference->close();
}
