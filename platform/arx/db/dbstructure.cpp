// What every drawing needs: the tables and their standard records, model and paper space
// with their layouts, the root dictionary and its standard entries, the header settings.
#include "arx/dbdict.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dxffieldtable.h"
#include "arx/dxftext.h"
#include "dbimpl.h"
#include "dbobjectdata.h"

#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace {

using Impl = AcDbDatabase::Impl;

AcDbObjectId installNew(Impl& impl, AcDbObject* obj, AcDbObjectId owner)
{
    const AcDbObjectId id = impl.install(impl.newStub(), obj);
    obj->setOwnerId(owner);
    return id;
}

template <class Table>
void ensureTable(Impl& impl, AcDbObjectId& slot)
{
    if (!slot.isNull())
        return;
    slot = installNew(impl, new Table, AcDbObjectId());
    impl.tables.push_back(slot);
}

template <class Record>
Record* ensureRecord(Impl& impl, AcDbObjectId tableId, const char* name)
{
    auto* table = AcDbSymbolTable::cast(tableId.object());
    AcDbObjectId id;
    if (table->getAt(name, id) == Acad::eOk)
        return nullptr;
    auto* rec = new Record;
    rec->assignName(name);
    table->attachRecord(installNew(impl, rec, tableId), name);
    return rec;
}

void ensureTables(Impl& impl)
{
    ensureTable<AcDbViewportTable>(impl, impl.viewportTable);
    ensureTable<AcDbLinetypeTable>(impl, impl.linetypeTable);
    ensureTable<AcDbLayerTable>(impl, impl.layerTable);
    ensureTable<AcDbTextStyleTable>(impl, impl.textStyleTable);
    ensureTable<AcDbViewTable>(impl, impl.viewTable);
    ensureTable<AcDbUCSTable>(impl, impl.ucsTable);
    ensureTable<AcDbRegAppTable>(impl, impl.regAppTable);
    ensureTable<AcDbDimStyleTable>(impl, impl.dimStyleTable);
    ensureTable<AcDbBlockTable>(impl, impl.blockTable);
}

void ensureRecords(Impl& impl)
{
    for (const char* name : {"ByBlock", "ByLayer"})
        ensureRecord<AcDbLinetypeTableRecord>(impl, impl.linetypeTable, name);
    if (auto* continuous = ensureRecord<AcDbLinetypeTableRecord>(impl, impl.linetypeTable, "Continuous"))
        continuous->setComments("Solid line");
    if (auto* layer = ensureRecord<AcDbLayerTableRecord>(impl, impl.layerTable, "0"))
        static_cast<void>(layer);
    ensureRecord<AcDbTextStyleTableRecord>(impl, impl.textStyleTable, "Standard");
    ensureRecord<AcDbRegAppTableRecord>(impl, impl.regAppTable, "ACAD");
    ensureRecord<AcDbDimStyleTableRecord>(impl, impl.dimStyleTable, "Standard");
    if (auto* vport = ensureRecord<AcDbViewportTableRecord>(impl, impl.viewportTable, "*Active")) {
        // The view's corners, centre, height and aspect, after the record's flags.
        const int afterFlags = static_cast<int>(vport->dxfTable().fields().size()) - 1;
        for (const auto& [code, value] : {std::pair<int, const char*>{10, "0.0"}, {20, "0.0"}, {11, "1.0"}, {21, "1.0"},
                                          {12, "210.0"}, {22, "148.5"}, {40, "297.0"}, {41, "1.414"}})
            vport->editData().extras.add(code, value, afterFlags);
    }
    ensureRecord<AcDbBlockTableRecord>(impl, impl.blockTable, AcDbBlockTableRecord::kModelSpace);
    ensureRecord<AcDbBlockTableRecord>(impl, impl.blockTable, AcDbBlockTableRecord::kPaperSpace);
    // Layers read from a file get their linetype here when they had none resolved yet.
    const auto* ltypes = AcDbSymbolTable::cast(impl.linetypeTable.object());
    AcDbObjectId continuous;
    ltypes->getAt("Continuous", continuous);
    for (const AcDbObjectId& id : AcDbSymbolTable::cast(impl.layerTable.object())->recordIds())
        if (auto* layer = AcDbLayerTableRecord::cast(id.object()); layer && layer->linetypeObjectId().isNull())
            layer->setLinetypeObjectId(continuous);
}

AcDbDictionary* ensureDictionary(Impl& impl, AcDbDictionary* root, const char* key)
{
    AcDbObjectId id;
    if (root->getAt(key, id) == Acad::eOk) {
        if (auto* dict = AcDbDictionary::cast(id.object()))
            return dict;
        throw qv::dxf::FormatError(0, std::string("the entry ") + key + " of the root dictionary is a "
                                          + id.object()->dxfName() + ", not a dictionary");
    }
    auto* dict = new AcDbDictionary;
    root->attachEntry(key, installNew(impl, dict, root->objectId()));
    return dict;
}

AcDbDictionary* ensureDictionaries(Impl& impl)
{
    if (impl.rootDictionary.isNull())
        impl.rootDictionary = installNew(impl, new AcDbDictionary, AcDbObjectId());
    auto* root = AcDbDictionary::cast(impl.rootDictionary.object());
    ensureDictionary(impl, root, "ACAD_GROUP");
    ensureDictionary(impl, root, "ACAD_PLOTSETTINGS");
    return ensureDictionary(impl, root, "ACAD_LAYOUT");
}

// Layout blocks no layout claims: the one that names a layout as its own, and the others
// of model and paper space in table order.
struct FreeLayoutBlocks {
    std::unordered_map<AcDbObjectId, AcDbObjectId> byLayout;
    std::vector<AcDbObjectId> model, paper;
    std::unordered_set<AcDbObjectId> taken;

    FreeLayoutBlocks(Impl& impl, const std::unordered_set<AcDbObjectId>& claimed)
    {
        for (const AcDbObjectId& id : AcDbSymbolTable::cast(impl.blockTable.object())->recordIds()) {
            const auto* btr = AcDbBlockTableRecord::cast(id.object());
            if (!btr || btr->isErased() || !btr->isLayout() || claimed.count(id))
                continue;
            byLayout.emplace(btr->getLayoutId(), id);
            (qv::dxf::equalNoCase(btr->name(), AcDbBlockTableRecord::kModelSpace) ? model : paper).push_back(id);
        }
    }

    AcDbObjectId take(AcDbObjectId layout, bool modelLayout)
    {
        AcDbObjectId id;
        if (const auto it = byLayout.find(layout); it != byLayout.end() && !taken.count(it->second))
            id = it->second;
        for (const auto* list : {modelLayout ? &model : &paper, &paper})
            for (size_t i = 0; i < list->size() && id.isNull(); ++i)
                if (!taken.count((*list)[i]))
                    id = (*list)[i];
        if (!id.isNull())
            taken.insert(id);
        return id;
    }
};

// A new paper-space block for a layout: "*Paper_Space" and the first number free.
AcDbObjectId newLayoutBlock(Impl& impl)
{
    auto* table = AcDbSymbolTable::cast(impl.blockTable.object());
    std::string name;
    for (int n = 0; name.empty() || table->has(name.c_str()); ++n)
        name = AcDbBlockTableRecord::kPaperSpace + std::to_string(n);
    auto* btr = new AcDbBlockTableRecord;
    btr->assignName(name);
    const AcDbObjectId id = installNew(impl, btr, impl.blockTable);
    table->attachRecord(id, name);
    return id;
}

// Layouts whose block record the file lacks (or names another object, or another layout's)
// take the layout block that names them, else a free one of their kind, else a new one.
void repairLayoutBlocks(Impl& impl, const std::vector<AcDbObjectId>& broken,
                        const std::unordered_set<AcDbObjectId>& claimed)
{
    FreeLayoutBlocks free(impl, claimed);
    for (const AcDbObjectId& layoutId : broken) {
        auto* layout = AcDbLayout::cast(layoutId.object());
        const AcDbObjectId old = layout->getBlockTableRecordId();
        const auto* taken = AcDbBlockTableRecord::cast(old.object());
        const std::string fault = taken ? taken->name() + " is another layout's" : old.handle().text() + " is missing";
        AcDbObjectId id = free.take(layoutId, layout->modelType());
        if (id.isNull())
            id = newLayoutBlock(impl);
        layout->setBlockTableRecordId(id);
        auto* btr = AcDbBlockTableRecord::cast(id.object());
        impl.repaired(impl.describe(layout) + " ('" + layout->name() + "'): its block record " + fault + ": given "
                      + btr->name());
    }
}

// A name for a new layout: "Model" or "Layout1", else the first "LayoutN" free.
std::string freeLayoutName(const AcDbDictionary* layouts, bool model)
{
    std::string name = model ? "Model" : "Layout1";
    for (int n = 2; layouts->has(name.c_str()); ++n)
        name = "Layout" + std::to_string(n);
    return name;
}

std::vector<AcDbLayout*> allLayouts(Impl& impl)
{
    std::vector<AcDbLayout*> layouts;
    for (size_t i = 0; i < impl.stubs.size(); ++i)
        if (auto* layout = impl.stubs[i].erased ? nullptr : AcDbLayout::cast(impl.stubs[i].object))
            layouts.push_back(layout);
    return layouts;
}

// Pairs a layout holds under the marker of another class (a record cut into another's) are
// no layout's, and other readers would take them for the layout's own sections: dropped.
void dropForeignSections(Impl& impl, AcDbLayout* layout)
{
    if (!layout->keptPairs())
        return;
    qv::dxf::TagList& extras = layout->editData().extras;
    for (size_t i = 0; i < extras.size();) {
        if (extras[i].code != 100) {
            ++i;
            continue;
        }
        size_t end = i + 1;   // the section's pairs follow its marker at the same place
        while (end < extras.size() && extras[end].anchor == extras[i].anchor && extras[end].code != 100)
            ++end;
        impl.repaired(Impl::describe(layout) + ": its pairs under the marker '" + std::string(extras[i].value())
                      + "' are no layout's: dropped");
        extras.erase(i, end);
    }
}

// The layouts of a drawing as other programs find them: each has a name and stands under it
// in the layout dictionary. A layout without a name is a copy of the named one that has its
// block record, or, without a block record, of the named one whose name its entry gives (a
// copy cut short), and is dropped; else it is named by its entry, or anew. One outside the
// dictionary is entered under its name, or anew when that is taken. Named layouts are entered
// before nameless ones are named, so that a name given anew never takes a layout's own.
class LayoutEntries
{
public:
    // An entry that names no layout, which other readers would take for one, is dropped: its
    // key is then free for a layout.
    LayoutEntries(Impl& impl, AcDbDictionary* layouts, const std::vector<AcDbLayout*>* known)
        : m_impl(impl), m_layouts(layouts), m_known(known)
    {
        std::vector<std::pair<std::string, const AcDbObject*>> strangers;
        const std::unique_ptr<AcDbDictionaryIterator> it(layouts->newIterator());
        for (; !it->done(); it->next())
            if (AcDbLayout::cast(it->objectId().object()))
                m_keys.emplace(it->objectId(), it->name());
            else
                strangers.emplace_back(it->name(), it->objectId().object());
        for (const auto& [key, object] : strangers) {
            layouts->remove(key.c_str());
            impl.repaired(Impl::describe(layouts) + ": the entry '" + key + "' names "
                          + (object ? Impl::describe(object) : std::string("nothing")) + ", not a layout: dropped");
        }
    }

    void settle()
    {
        std::vector<AcDbLayout*> all = m_known ? *m_known : allLayouts(m_impl);
        for (AcDbLayout* layout : all) {
            dropForeignSections(m_impl, layout);
            if (!layout->name().empty() && AcDbBlockTableRecord::cast(layout->getBlockTableRecordId().object())) {
                m_namedByBlock.emplace(layout->getBlockTableRecordId(), layout);
                m_namedWithBlock.emplace(qv::dxf::upper(layout->name()), layout);
            }
        }
        std::erase_if(all, [this](AcDbLayout* layout) { return layout->name().empty() && dropCopy(layout); });
        for (AcDbLayout* layout : all)
            if (!layout->name().empty())
                enter(layout);
        for (AcDbLayout* layout : all)
            if (layout->name().empty()) {
                name(layout);
                enter(layout);
            }
    }

private:
    // The named layout a nameless one copies: the one with its block record, else, when it
    // has none, the one named as its entry.
    const AcDbLayout* original(const AcDbLayout* layout, const std::string*& entry) const
    {
        const auto key = m_keys.find(layout->objectId());
        entry = key != m_keys.end() ? &key->second : nullptr;
        if (const auto named = m_namedByBlock.find(layout->getBlockTableRecordId()); named != m_namedByBlock.end())
            return named->second;
        if (!entry || AcDbBlockTableRecord::cast(layout->getBlockTableRecordId().object()))
            return nullptr;
        const auto named = m_namedWithBlock.find(qv::dxf::upper(*entry));
        return named != m_namedWithBlock.end() ? named->second : nullptr;
    }

    bool dropCopy(AcDbLayout* layout)
    {
        const std::string* entry = nullptr;
        const AcDbLayout* copied = original(layout, entry);
        if (!copied)
            return false;
        const std::string whose = Impl::describe(copied) + "'s";
        m_impl.repaired(Impl::describe(layout) + ": it has no name"
                        + (copied->getBlockTableRecordId() == layout->getBlockTableRecordId()
                               ? ", and its block record is " + whose + " ('" + copied->name() + "')"
                               : " nor block record, and its entry '" + *entry + "' is " + whose + " name")
                        + ": dropped");
        if (entry) {
            m_layouts->remove(entry->c_str());
            m_keys.erase(layout->objectId());
        }
        m_impl.destroyObject(layout->objectId().stub());
        return true;
    }

    void name(AcDbLayout* layout)
    {
        const AcDbObjectId id = layout->objectId();
        const auto key = m_keys.find(id);
        std::string name = key != m_keys.end() ? key->second : std::string();
        if (name.empty()) {
            name = freeLayoutName(m_layouts, layout->modelType());
            if (key != m_keys.end()) {   // entered under an empty key: under its name now
                m_layouts->remove("");
                m_layouts->attachEntry(name, id);
                key->second = name;
            }
        }
        layout->setLayoutName(name.c_str());
        m_impl.repaired(Impl::describe(layout) + ": it has no name: named '" + name + "'");
    }

    void enter(AcDbLayout* layout)
    {
        if (m_keys.count(layout->objectId()))
            return;
        std::string name = layout->name();
        if (m_layouts->has(name.c_str()))
            layout->setLayoutName((name = freeLayoutName(m_layouts, layout->modelType())).c_str());
        m_layouts->attachEntry(name, layout->objectId());
        m_keys.emplace(layout->objectId(), name);
        layout->setOwnerId(m_layouts->objectId());
        m_impl.repaired(Impl::describe(layout) + ": it is not in the layout dictionary: entered as '" + name + "'");
    }

    Impl& m_impl;
    AcDbDictionary* m_layouts;
    const std::vector<AcDbLayout*>* m_known;   // the layouts, when the caller knows them
    std::unordered_map<AcDbObjectId, std::string> m_keys;
    std::unordered_map<AcDbObjectId, const AcDbLayout*> m_namedByBlock;
    std::unordered_map<std::string, const AcDbLayout*> m_namedWithBlock;   // by upper-case name
};

// Gives a layout another name, and its entry with it.
void renameLayout(Impl& impl, AcDbDictionary* layouts, AcDbLayout* layout, const std::string& name,
                  const std::string& why)
{
    std::string key;
    if (layouts->nameAt(layout->objectId(), key) == Acad::eOk)
        layouts->remove(key.c_str());
    layouts->attachEntry(name, layout->objectId());
    impl.repaired(Impl::describe(layout) + " ('" + layout->name() + "'): " + why + ": named '" + name + "'");
    layout->setLayoutName(name.c_str());
}

// Model space's layout is the one named "Model": a layout that holds the name with another
// block (one given a block of its own by a repair) gives it up.
void nameModelLayout(Impl& impl, AcDbDictionary* layouts)
{
    AcDbObjectId space, holder;
    if (AcDbSymbolTable::cast(impl.blockTable.object())->getAt(AcDbBlockTableRecord::kModelSpace, space) != Acad::eOk)
        return;
    auto* model = AcDbLayout::cast(AcDbBlockTableRecord::cast(space.object())->getLayoutId().object());
    if (!model || qv::dxf::equalNoCase(model->name(), "Model"))
        return;
    if (layouts->getAt("Model", holder) == Acad::eOk)
        if (auto* other = AcDbLayout::cast(holder.object()))
            renameLayout(impl, layouts, other, freeLayoutName(layouts, false),
                         "model space's layout is " + Impl::describe(model));
    renameLayout(impl, layouts, model, "Model", "it is model space's layout");
}

// Links layouts and block records both ways, one block record to one layout, gives layout
// blocks without a layout one, and names model space's layout "Model".
void ensureLayouts(Impl& impl, AcDbDictionary* layouts, const std::vector<AcDbLayout*>* known)
{
    LayoutEntries(impl, layouts, known).settle();
    AcDbDictionaryIterator* it = layouts->newIterator();
    int count = 0;
    std::vector<const AcDbLayout*> named;
    for (; !it->done(); it->next(), ++count)
        if (const auto* layout = AcDbLayout::cast(it->objectId().object()))
            named.push_back(layout);
    delete it;
    // A block record that two layouts name is the layout's it names back, else the first's.
    std::vector<AcDbObjectId> broken;
    std::unordered_set<AcDbObjectId> claimed;
    for (const AcDbLayout* layout : named)
        if (const auto* btr = AcDbBlockTableRecord::cast(layout->getBlockTableRecordId().object());
            btr && btr->getLayoutId() == layout->objectId())
            claimed.insert(btr->objectId());
    for (const AcDbLayout* layout : named) {
        const AcDbObjectId block = layout->getBlockTableRecordId();
        const auto* btr = AcDbBlockTableRecord::cast(block.object());
        if (!btr || (btr->getLayoutId() != layout->objectId() && !claimed.insert(block).second))
            broken.push_back(layout->objectId());
    }
    if (!broken.empty())
        repairLayoutBlocks(impl, broken, claimed);
    for (it = layouts->newIterator(); !it->done(); it->next())
        if (const auto* layout = AcDbLayout::cast(it->objectId().object()))
            if (auto* btr = AcDbBlockTableRecord::cast(layout->getBlockTableRecordId().object()))
                btr->setLayoutId(it->objectId());
    delete it;
    for (const AcDbObjectId& id : AcDbSymbolTable::cast(impl.blockTable.object())->recordIds()) {
        auto* btr = AcDbBlockTableRecord::cast(id.object());
        if (!btr || btr->isErased() || !btr->isLayout() || AcDbLayout::cast(btr->getLayoutId().object()))
            continue;
        const bool model = qv::dxf::equalNoCase(btr->name(), AcDbBlockTableRecord::kModelSpace);
        const std::string name = freeLayoutName(layouts, model);
        auto* layout = new AcDbLayout(model);
        layout->setLayoutName(name.c_str());
        layout->setTabOrder(model ? 0 : ++count);
        layout->setBlockTableRecordId(id);
        const AcDbObjectId layoutId = installNew(impl, layout, layouts->objectId());
        layouts->attachEntry(name, layoutId);
        btr->setLayoutId(layoutId);
    }
    nameModelLayout(impl, layouts);
}

void ensureHeader(Impl& impl)
{
    static const std::vector<std::pair<const char*, std::vector<std::pair<int, const char*>>>> defaults = {
        {"$ACADVER", {{1, "AC1027"}}},
        {"$DWGCODEPAGE", {{3, "ANSI_1252"}}},
        {"$INSBASE", {{10, "0.0"}, {20, "0.0"}, {30, "0.0"}}},
        {"$EXTMIN", {{10, "1e+20"}, {20, "1e+20"}, {30, "1e+20"}}},
        {"$EXTMAX", {{10, "-1e+20"}, {20, "-1e+20"}, {30, "-1e+20"}}},
        {"$LIMMIN", {{10, "0.0"}, {20, "0.0"}}},
        {"$LIMMAX", {{10, "420.0"}, {20, "297.0"}}},
        {"$TEXTSTYLE", {{7, "Standard"}}},
        {"$CLAYER", {{8, "0"}}},
        {"$CELTYPE", {{6, "ByLayer"}}},
        {"$CECOLOR", {{62, "256"}}},
        {"$DIMSTYLE", {{2, "Standard"}}},
        {"$LUNITS", {{70, "2"}}},
        {"$LUPREC", {{70, "4"}}},
        {"$AUNITS", {{70, "0"}}},
        {"$HANDSEED", {{5, "1"}}},
        {"$UCSORG", {{10, "0.0"}, {20, "0.0"}, {30, "0.0"}}},
        {"$UCSXDIR", {{10, "1.0"}, {20, "0.0"}, {30, "0.0"}}},
        {"$UCSYDIR", {{10, "0.0"}, {20, "1.0"}, {30, "0.0"}}},
        {"$TILEMODE", {{70, "1"}}},
        {"$MEASUREMENT", {{70, "1"}}},
        {"$INSUNITS", {{70, "4"}}},
        {"$EXTNAMES", {{290, "1"}}},
        {"$SORTENTS", {{280, "127"}}},
    };
    for (const auto& [name, tags] : defaults)
        if (!impl.headerVariable(name)) {
            impl.headerIndex.emplace(name, impl.header.size());
            HeaderVariable& var = impl.header.emplace_back(HeaderVariable{name, {}});
            for (const auto& [code, value] : tags)
                var.tags.add(code, value);
            impl.headerChanged();
        }
}

// Objects without a handle (new ones, and records whose handle was another's) take one.
void assignHandles(Impl& impl)
{
    for (size_t i = 0; i < impl.stubs.size(); ++i)
        if (AcDbStub& stub = impl.stubs[i]; stub.object && stub.handle.isNull())
            impl.assignHandle(&stub);
}

} // namespace

namespace qv {

void completeTables(AcDbDatabase* db)
{
    ensureTables(db->impl());
    ensureRecords(db->impl());
}

void completeDatabase(AcDbDatabase* db, const std::vector<AcDbLayout*>* layouts)
{
    Impl& impl = db->impl();
    completeTables(db);
    AcDbDictionary* dictionary = ensureDictionaries(impl);
    assignHandles(impl);   // so that the repairs of layouts name them
    ensureLayouts(impl, dictionary, layouts);
    ensureHeader(impl);
    assignHandles(impl);
}

} // namespace qv
