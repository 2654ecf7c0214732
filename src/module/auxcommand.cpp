#include "commands.h"

#include "arx/dbdatabase.h"
#include "arx/dbtext.h"
#include "blocks/attributes.h"
#include "host/hostguards.h"
#include "host/layer.h"
#include "module/commandframe.h"
#include "spaceblocks.h"
#include "support/kavroguard.h"

#include <cmath>
#include <memory>

namespace {

const char* const attributeLayerNames[3] = {"ATT-NAME", "ATT-AREA", "ATT-AUX"};

// The ids of the first NAME, AREA and AUX texts (exact tags) of a definition or reference.
struct TaggedTexts
{
    AcDbObjectId name, area, aux;

    void note(const AcDbAttributeBase* text)
    {
        const CString tag = text->tag();
        AcDbObjectId* slot = tag == "NAME" ? &name : tag == "AREA" ? &area : tag == "AUX" ? &aux : nullptr;
        if (slot && slot->isNull())
            *slot = text->objectId();
    }
};

// Where the texts go around the AREA text: NAME one and a half heights before it, AUX one and
// a half heights after it, across the text's direction; all three share its format.
struct AreaLayout
{
    explicit AreaLayout(const AcDbText* area)
        : position(area->position()), normal(area->normal()), rotation(area->rotation()),
          widthFactor(area->widthFactor()), height(area->height()), horizontal(area->horizontalMode()),
          vertical(area->verticalMode()), dx(std::sin(rotation) * height * 1.5), dy(std::cos(rotation) * height * 1.5)
    {
    }

    AcGePoint3d namePosition() const { return {position.x - dx, position.y + dy, position.z}; }
    AcGePoint3d auxPosition() const { return {position.x + dx, position.y - dy, position.z}; }

    // Gives a text the position and the AREA text's rotation, width factor and height.
    void place(AcDbText* text, const AcGePoint3d& at) const
    {
        text->setPosition(at);
        text->setRotation(rotation);
        text->setWidthFactor(widthFactor);
        text->setHeight(height);
    }

    AcGePoint3d position;
    AcGeVector3d normal;
    double rotation, widthFactor, height;
    AcDb::TextHorzMode horizontal;
    AcDb::TextVertMode vertical;
    double dx, dy;
};

template <class Text>
void placeText(AcDbObjectId id, const AreaLayout& layout, const AcGePoint3d& at, bool leftAligned)
{
    if (const Opened<Text> text = openObject<Text>(id, AcDb::kForWrite)) {
        layout.place(text.get(), at);
        if (leftAligned)
            text->setHorizontalMode(AcDb::kTextLeft);
    }
}

// The AUX attribute definition that a space block made without one lacks.
std::unique_ptr<AcDbAttributeDefinition> newAuxDefinition(const AreaLayout& layout)
{
    auto aux = std::make_unique<AcDbAttributeDefinition>();
    layout.place(aux.get(), layout.auxPosition());
    aux->setNormal(layout.normal);
    aux->setHorizontalMode(AcDb::kTextLeft);
    aux->setVerticalMode(layout.vertical);
    aux->setPrompt("Enter Auxillary");
    aux->setTextString("default aux");
    aux->setTag("AUX");
    aux->setInvisible(false);
    aux->setVerifiable(false);
    aux->setPreset(false);
    aux->setConstant(false);
    aux->setFieldLength(25);
    aux->setLayer("ATT-AUX");
    return aux;
}

std::unique_ptr<AcDbAttribute> newAuxAttribute(const AreaLayout& layout)
{
    auto aux = std::make_unique<AcDbAttribute>();
    layout.place(aux.get(), layout.auxPosition());
    aux->setNormal(layout.normal);
    aux->setHorizontalMode(layout.horizontal);
    aux->setVerticalMode(layout.vertical);
    aux->setTextString(" ");
    aux->setTag("AUX");
    aux->setInvisible(false);
    aux->setLayer("ATT-AUX");
    return aux;
}

} // namespace

void turnOnKavroLayers(CAcadDrawing* drawing)
{
    kavroGuard("turnOnKavroLayers", MODULE_MAIN_FILE, [&] {
        AcDbLayerTable* raw = nullptr;
        if (drawing->getDocument()->database()->getSymbolTable(raw, AcDb::kForWrite) != Acad::eOk)
            return;
        const Opened<AcDbLayerTable> table(raw);
        AcDbLayerTableIterator* rawIterator = nullptr;
        table->newIterator(rawIterator, true, true);
        const std::unique_ptr<AcDbLayerTableIterator> it(rawIterator);
        for (; it && !it->done(); it->step(true, true)) {
            AcDbLayerTableRecord* record = nullptr;
            if (it->getRecord(record, AcDb::kForWrite, false) != Acad::eOk)
                continue;
            const Opened<AcDbLayerTableRecord> layer(record);
            CString name;
            layer->getName(name);
            name.MakeUpper();
            for (const char* attributeLayer : attributeLayerNames)
                if (name == attributeLayer)
                    layer->setIsOff(false);
        }
    });
}

void iterateThroughKavroBlockDefinition(AcGeMatrix3d, CBlockDWG*, AcDbBlockTableRecord* definition)
{
    kavroGuard("iterateThroughKavroBlockDefinition", MODULE_MAIN_FILE, [&] {
        TaggedTexts texts;
        forEachEntity(definition, AcDb::kForRead, [&](AcDbEntity* entity) {
            if (const auto* text = AcDbAttributeDefinition::cast(entity))
                texts.note(text);
            return true;
        });
        // The layout comes from the AREA text alone: without one the texts stay where they are.
        if (texts.area.isNull())
            return;
        std::unique_ptr<AreaLayout> layout;
        if (const Opened<AcDbAttributeDefinition> area = openObject<AcDbAttributeDefinition>(texts.area, AcDb::kForWrite)) {
            layout = std::make_unique<AreaLayout>(area.get());
            area->setHorizontalMode(AcDb::kTextLeft);
        }
        if (!layout)
            return;
        if (!texts.name.isNull())
            placeText<AcDbAttributeDefinition>(texts.name, *layout, layout->namePosition(), true);
        if (!texts.aux.isNull()) {
            placeText<AcDbAttributeDefinition>(texts.aux, *layout, layout->auxPosition(), false);
            return;
        }
        std::unique_ptr<AcDbAttributeDefinition> aux = newAuxDefinition(*layout);
        if (definition->appendAcDbEntity(aux.get()) == Acad::eOk)
            Opened<AcDbAttributeDefinition>(aux.release());
    });
}

void iterateThroughKavroBlockReference(AcGeMatrix3d, CBlockDWG*, AcDbBlockReference* reference)
{
    kavroGuard("iterateThroughKavroBlockReference", MODULE_MAIN_FILE, [&] {
        TaggedTexts texts;
        CAttributes::forEachAttribute(reference, AcDb::kForRead, [&](AcDbAttribute* text) { texts.note(text); });
        if (texts.area.isNull())
            return;
        std::unique_ptr<AreaLayout> layout;
        if (const Opened<AcDbAttribute> area = openObject<AcDbAttribute>(texts.area, AcDb::kForRead))
            layout = std::make_unique<AreaLayout>(area.get());
        if (!layout)
            return;
        if (!texts.name.isNull())
            placeText<AcDbAttribute>(texts.name, *layout, layout->namePosition(), false);
        if (!texts.aux.isNull()) {
            placeText<AcDbAttribute>(texts.aux, *layout, layout->auxPosition(), false);
            return;
        }
        std::unique_ptr<AcDbAttribute> aux = newAuxAttribute(*layout);
        if (reference->appendAttribute(aux.get()) == Acad::eOk)
            Opened<AcDbAttribute>(aux.release());
    });
}

void kavroAuxilarator()
{
    runCommand("kavroAuxilarator", nullptr, [](CAcadDrawing* drawing) {
        if (!drawing->isOpen())
            return;
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        CLayer::ensureLayerExists("ATT-AUX", drawing);
        turnOnKavroLayers(drawing);
        AcGeMatrix3d ucs;
        acdbUcsMatrix(ucs, drawing->getDocument()->database());
        const SpaceBlocks blocks(drawing);
        for (int i = 0; i < blocks.count(); ++i) {
            CBlockDWG* block = blocks.at(i);
            const Opened<AcDbBlockReference> reference =
                openObject<AcDbBlockReference>(block->getObjectId(), AcDb::kForWrite);
            if (!reference)
                continue;
            if (const Opened<AcDbBlockTableRecord> definition =
                    openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForWrite))
                iterateThroughKavroBlockDefinition(ucs, block, definition.get());
            iterateThroughKavroBlockReference(ucs, block, reference.get());
        }
        drawing->regenDrawing();
    });
}
