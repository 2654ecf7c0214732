// Per-document data: one record of type T for each drawing document that the host's
// document manager holds open. Records are made for the documents already open when the
// manager is made and for each document created later, and dropped when their document
// is about to be destroyed. The manager listens to the document manager for as long as it
// lives, and no longer.
#pragma once

#include "arx/acdocman.h"

#include <unordered_map>

template <class T>
class AsdkDataManager : public AcApDocManagerReactor
{
public:
    AsdkDataManager()
    {
        for (int i = 0; i < acDocManager->documentCount(); ++i)
            m_records.try_emplace(acDocManager->document(i));
        acDocManager->addReactor(this);
    }
    ~AsdkDataManager() override { acDocManager->removeReactor(this); }
    AsdkDataManager(const AsdkDataManager&) = delete;
    AsdkDataManager& operator=(const AsdkDataManager&) = delete;

    void documentCreated(AcApDocument* document) override { m_records.try_emplace(document); }
    void documentToBeDestroyed(AcApDocument* document) override { m_records.erase(document); }

    // The document's record, or null for a document the manager holds none for.
    T* docData(AcApDocument* document)
    {
        const auto it = m_records.find(document);
        return it == m_records.end() ? nullptr : &it->second;
    }
    int count() const { return static_cast<int>(m_records.size()); }

private:
    std::unordered_map<AcApDocument*, T> m_records;
};
