#include "arx/dbentityhyperlinkpe.h"

#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

ACRX_DEFINE_MEMBERS(AcDbEntityHyperlinkPE, AcRxObject, "")

namespace {

constexpr const char* kFirstApp = "PE_URL";
constexpr const char* kListApp = "CADHOST_HYPERLINKS";

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

Chain xdataOf(const AcDbObject* object, const char* app)
{
    return Chain(object->xData(app), acutRelRb);
}

// The first hyperlink as other programs read it: the first three texts are the name, the
// description and the sub-location, whatever groups stand between them.
bool readFirst(const AcDbObject* object, AcDbHyperlink& first)
{
    const Chain chain = xdataOf(object, kFirstApp);
    if (!chain)
        return false;
    std::vector<std::string> texts;
    for (const resbuf* rb = chain.get(); rb; rb = rb->rbnext)
        if (rb->restype == 1000 && texts.size() < 3)
            texts.emplace_back(rb->resval.rstring ? rb->resval.rstring : "");
    if (texts.empty())
        return false;
    texts.resize(3);
    first = AcDbHyperlink(texts[0], texts[1], texts[2]);
    return true;
}

// The whole list: each hyperlink a group of three texts between braces.
std::vector<AcDbHyperlink> readList(const AcDbObject* object)
{
    std::vector<AcDbHyperlink> list;
    const Chain chain = xdataOf(object, kListApp);
    std::vector<std::string> group;
    bool inGroup = false;
    for (const resbuf* rb = chain.get(); rb; rb = rb->rbnext) {
        const std::string value = rb->restype == 1000 || rb->restype == 1002
                                      ? std::string(rb->resval.rstring ? rb->resval.rstring : "") : std::string();
        if (rb->restype == 1002 && value == "{") {
            inGroup = true;
            group.clear();
        } else if (rb->restype == 1002 && value == "}" && inGroup) {
            inGroup = false;
            group.resize(3);
            list.emplace_back(group[0], group[1], group[2]);
        } else if (rb->restype == 1000 && inGroup) {
            group.push_back(value);
        }
    }
    return list;
}

std::vector<AcDbHyperlink> hyperlinksOf(const AcDbObject* object)
{
    AcDbHyperlink first;
    if (!readFirst(object, first))
        return {};
    std::vector<AcDbHyperlink> list = readList(object);
    if (list.empty() || !(list.front() == first))
        return {first};
    return list;
}

Acad::ErrorStatus removeApp(AcDbObject* object, const char* app)
{
    if (!xdataOf(object, app))
        return Acad::eOk;
    const Chain removal(acutBuildList(1001, app, 0), acutRelRb);
    return object->setXData(removal.get());
}

// Appends one hyperlink's group to the chain's end and returns the new end.
resbuf* appendGroup(resbuf* end, const AcDbHyperlink& link)
{
    resbuf* group = acutBuildList(1002, "{", 1000, link.name(), 1000, link.description(), 1000, link.subLocation(),
                                  1002, "}", 0);
    end->rbnext = group;
    while (end->rbnext)
        end = end->rbnext;
    return end;
}

} // namespace

Acad::ErrorStatus AcDbEntityHyperlinkPE::getHyperlinkCollection(AcDbObject* object, AcDbHyperlinkCollection*& collection,
                                                                bool oneOnly, bool ignoreBlockDefinition)
{
    collection = nullptr;
    if (!object)
        return Acad::eNullObjectPointer;
    if (!object->isReadEnabled())
        return Acad::eNotOpenForRead;
    std::vector<AcDbHyperlink> all = hyperlinksOf(object);
    const auto* reference = AcDbBlockReference::cast(object);
    if (!ignoreBlockDefinition && reference) {
        AcDbBlockTableRecord* definition = nullptr;
        if (acdbOpenObject(definition, reference->blockTableRecord(), AcDb::kForRead) == Acad::eOk) {
            for (const AcDbObjectId& id : definition->entityIds())
                if (!id.isErased() && id.object()) {
                    const std::vector<AcDbHyperlink> inside = hyperlinksOf(id.object());
                    all.insert(all.end(), inside.begin(), inside.end());
                }
            definition->close();
        }
    }
    if (oneOnly && all.size() > 1)
        all.resize(1);
    collection = new AcDbHyperlinkCollection;
    for (const AcDbHyperlink& link : all)
        collection->addTail(link.name(), link.description(), link.subLocation());
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntityHyperlinkPE::setHyperlinkCollection(AcDbObject* object,
                                                                const AcDbHyperlinkCollection* collection)
{
    if (!object)
        return Acad::eNullObjectPointer;
    if (!object->isWriteEnabled())
        return Acad::eNotOpenForWrite;
    const int count = collection ? collection->count() : 0;
    if (count == 0) {
        const Acad::ErrorStatus es = removeApp(object, kFirstApp);
        return es != Acad::eOk ? es : removeApp(object, kListApp);
    }
    AcDbDatabase* db = object->database();
    acdbRegApp(kFirstApp, db);
    const AcDbHyperlink& first = *collection->item(0);
    const Chain chain(acutBuildList(1001, kFirstApp, 1000, first.name(), 1002, "{", 1000, first.description(), 1000,
                                    first.subLocation(), 1002, "}", 0),
                      acutRelRb);
    if (const Acad::ErrorStatus es = object->setXData(chain.get()); es != Acad::eOk)
        return es;
    if (count == 1)
        return removeApp(object, kListApp);
    acdbRegApp(kListApp, db);
    const Chain list(acutBuildList(1001, kListApp, 1070, count, 0), acutRelRb);
    resbuf* end = list.get()->rbnext;
    for (int i = 0; i < count; ++i)
        end = appendGroup(end, *collection->item(i));
    // A list that cannot be stored (too long for XData) must not leave an older one behind.
    const Acad::ErrorStatus es = object->setXData(list.get());
    if (es != Acad::eOk)
        removeApp(object, kListApp);
    return es;
}

Acad::ErrorStatus AcDbEntityHyperlinkPE::getHyperlinkCount(AcDbObject* object, unsigned int& count,
                                                           bool ignoreBlockDefinition)
{
    AcDbHyperlinkCollection* collection = nullptr;
    const Acad::ErrorStatus es = getHyperlinkCollection(object, collection, false, ignoreBlockDefinition);
    count = collection ? static_cast<unsigned int>(collection->count()) : 0;
    delete collection;
    return es;
}

Acad::ErrorStatus AcDbEntityHyperlinkPE::hasHyperlink(AcDbObject* object, bool& result, bool ignoreBlockDefinition)
{
    // The object's own hyperlinks are there when its first one is: answered from its XData
    // in place, without a collection.
    if (object && object->isReadEnabled() && (ignoreBlockDefinition || !AcDbBlockReference::cast(object))) {
        bool text = false;
        result = object->visitXData(kFirstApp, [&](int code, std::string_view) { text = text || code == 1000; }) && text;
        return Acad::eOk;
    }
    unsigned int count = 0;
    const Acad::ErrorStatus es = getHyperlinkCount(object, count, ignoreBlockDefinition);
    result = count > 0;
    return es;
}

namespace {

// Every entity answers the hyperlink protocol.
[[maybe_unused]] const bool registered = [] {
    static AcDbEntityHyperlinkPE extension;
    AcRxObject::addX(AcDbEntity::desc(), AcDbEntityHyperlinkPE::desc(), &extension);
    return true;
}();

} // namespace
