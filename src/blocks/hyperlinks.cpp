#include "blocks/hyperlinks.h"

#include "arx/dbentityhyperlinkpe.h"
#include "arx/dbsymtb.h"
#include "host/hostguards.h"
#include "owning.h"
#include "procedurecall.h"
#include "database/rowset.h"
#include "support/kavroguard.h"
#include "support/xmlitems.h"
#include "support/xmlutilities.h"

#include <memory>

namespace {

AcDbEntityHyperlinkPE* hyperlinkProtocol(const AcDbEntity* entity)
{
    return AcDbEntityHyperlinkPE::cast(entity->x(AcDbEntityHyperlinkPE::desc()));
}

// An entry of a list text: "address,description", or one text that is both.
CHyperlink* entryLink(const CString& entry, int id)
{
    const int comma = entry.Find(',');
    CString address = comma < 0 ? entry : entry.Left(comma);
    CString description = comma < 0 ? entry : entry.Mid(comma + 1);
    if (address.IsEmpty())
        address = description;
    if (description.IsEmpty())
        description = address;
    address.Trim();
    description.Trim();
    if (address.IsEmpty())
        return nullptr;
    auto* link = new CHyperlink;
    link->setHyperlink(address, id);
    link->setDescription(description);
    return link;
}

} // namespace

CHyperlinks::CHyperlinks(AcDbBlockReference* reference)
{
    kavroGuard("CHyperlinks::CHyperlinks", __FILE__, [&] { getEntityHyperlinks(reference); });
}

CHyperlinks::~CHyperlinks()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

void CHyperlinks::add(CHyperlink* hyperlink)
{
    kavroGuard("CHyperlinks::add", __FILE__, [&] {
        if (!findFirst(m_items, [&](const CHyperlink* item) { return item->getHref() == hyperlink->getHref(); }))
            m_items.Add(hyperlink);
    });
}

void CHyperlinks::adopt(CHyperlink* hyperlink)
{
    const int before = getCount();
    add(hyperlink);
    if (getCount() == before)
        delete hyperlink;
}

void CHyperlinks::deleteObjects()
{
    kavroGuard("CHyperlinks::deleteObjects", __FILE__, [&] { deleteAll(m_items); });
}

void CHyperlinks::copyTo(CHyperlinks* target) const
{
    kavroGuard("CHyperlinks::copyTo", __FILE__, [&] {
        for (const CHyperlink* item : m_items)
            target->adopt(copyOf(*item));
    });
}

MSXML2::IXMLDOMNodePtr CHyperlinks::serialize(CString namespaceURI) const
{
    return kavroGuard("CHyperlinks::serialize", __FILE__, [&] {
        MSXML2::IXMLDOMNodePtr element = CXMLUtilities().createNode("hyperlinks", namespaceURI);
        for (const CHyperlink* item : m_items)
            element->appendChild(item->serialize(namespaceURI));
        return element;
    });
}

void CHyperlinks::deSerialize(MSXML2::IXMLDOMNodeListPtr nodes)
{
    kavroGuard("CHyperlinks::deSerialize", __FILE__, [&] {
        deSerializeItems<CHyperlink>(nodes, "hyperlink", [this](CHyperlink* item) { adopt(item); });
    });
}

void CHyperlinks::getEntityHyperlinks(AcDbEntity* entity)
{
    kavroGuard("CHyperlinks::getEntityHyperlinks", __FILE__, [&] {
        AcDbEntityHyperlinkPE* protocol = hyperlinkProtocol(entity);
        AcDbHyperlinkCollection* raw = nullptr;
        if (protocol)
            (void)protocol->getHyperlinkCollection(entity, raw, false, true);
        const std::unique_ptr<AcDbHyperlinkCollection> collection(raw);
        for (int i = 0; collection && i < collection->count(); ++i)
            adopt(new CHyperlink(collection->item(i)->name(), collection->item(i)->description()));
    });
}

void CHyperlinks::getBlockHyperlinks(AcDbEntity* entity, int fromDefinition)
{
    kavroGuard("CHyperlinks::getBlockHyperlinks", __FILE__, [&] {
        if (fromDefinition == 0) {
            getEntityHyperlinks(entity);
            return;
        }
        const auto* reference = AcDbBlockReference::cast(entity);
        if (!reference)
            return;
        if (const Opened<AcDbBlockTableRecord> definition =
                openObject<AcDbBlockTableRecord>(reference->blockTableRecord(), AcDb::kForRead))
            forEachEntity(definition.get(), AcDb::kForRead, [&](AcDbEntity* member) {
                getEntityHyperlinks(member);
                return true;
            });
    });
}

void CHyperlinks::setHyperlinks(CString list, int id)
{
    kavroGuard("CHyperlinks::setHyperlinks", __FILE__, [&] {
        int start = 0;
        for (int semicolon = list.Find(';'); semicolon >= 0; semicolon = list.Find(';', start)) {
            if (CHyperlink* link = entryLink(list.Mid(start, semicolon - start), id))
                adopt(link);
            start = semicolon + 1;
        }
        if (CHyperlink* link = entryLink(list.Mid(start), id))
            adopt(link);
    });
}

bool CHyperlinks::holdsItems(const AcDbHyperlinkCollection& collection, bool reversed) const
{
    const int count = m_items.GetSize();
    if (collection.count() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        const CHyperlink* item = m_items.GetAt(reversed ? count - 1 - i : i);
        if (!(*collection.item(i) == AcDbHyperlink(item->getHref().str(), item->getDescription().str(), "")))
            return false;
    }
    return true;
}

Acad::ErrorStatus CHyperlinks::setEntityHyperlinks(AcDbEntity* entity, bool reversed) const
{
    return kavroGuard("CHyperlinks::setEntityHyperlinks", __FILE__, [&] {
        AcDbEntityHyperlinkPE* protocol = hyperlinkProtocol(entity);
        // An entity without hyperlinks is not given an empty list.
        bool has = true;
        if (protocol && m_items.IsEmpty() && protocol->hasHyperlink(entity, has) == Acad::eOk && !has)
            return Acad::eOk;
        AcDbHyperlinkCollection* raw = nullptr;
        if (protocol)
            (void)protocol->getHyperlinkCollection(entity, raw, false, true);
        const std::unique_ptr<AcDbHyperlinkCollection> collection(raw);
        if (!collection)
            return Acad::eNullObjectPointer;
        // An entity that holds these hyperlinks already is not written again.
        if (holdsItems(*collection, reversed))
            return Acad::eOk;
        if (!entity->isWriteEnabled())
            if (const Acad::ErrorStatus status = entity->upgradeOpen(); status != Acad::eOk)
                return status;
        for (int i = collection->count(); i > 0; --i)
            collection->removeTail();
        for (const CHyperlink* item : m_items) {
            const CString href = item->getHref(), description = item->getDescription();
            if (reversed)
                collection->addHead(href.GetString(), description.GetString(), "");
            else
                collection->addTail(href.GetString(), description.GetString(), "");
        }
        return protocol->setHyperlinkCollection(entity, collection.get());
    });
}

void CHyperlinks::getBlockHyperlinks(CStoredProcedure* procedure, int timeout, int categoryID, CString handle)
{
    getRegisterHyperlinks(procedure, timeout, categoryID, handle, "__gr_getBlockHyperlinks",
                          "CHyperlinks::getBlockHyperlinks");
}

void CHyperlinks::getAssetHyperlinks(CStoredProcedure* procedure, int timeout, int categoryID, CString handle)
{
    getRegisterHyperlinks(procedure, timeout, categoryID, handle, "__gr_getAssetHyperlinks",
                          "CHyperlinks::getAssetHyperlinks");
}

void CHyperlinks::getRegisterHyperlinks(CStoredProcedure* procedure, int timeout, int categoryID,
                                        const CString& handle, const char* procedureName, const char* procSig)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, procSig, __FILE__, [&] {
        procedurecall::addInt(parameters, "@categoryID", categoryID);
        procedurecall::addText(parameters, "@handle", 255, handle);
        procedure->setTimeout(timeout);
        procedure->setName(procedureName);
        attached.attach(procedure, &parameters);
        RowSet rows(procedure->execSPReturnParas());
        rows.forEachRow([&] {
            auto item = std::make_unique<CHyperlink>();
            CString text;
            if (rows.text("bhHref", text))
                item->setHref(text);
            if (rows.text("bhDescription", text))
                item->setDescription(text);
            adopt(item.release());
        });
    });
}
