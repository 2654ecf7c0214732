// The module's per-document data: records follow the documents the host opens and closes,
// and nothing of the manager is left listening once it, or the whole module, is gone.
#include "arx/acdocman.h"
#include "arx/acrxapp.h"
#include "common/tempdir.h"
#include "module/asdkdatamanager.h"
#include "module/quorvane.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <vector>

namespace {

// A record that counts how many of its kind are alive.
struct Probe
{
    Probe() { ++alive; }
    ~Probe() { --alive; }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    static inline int alive = 0;
};

// The open documents, each once.
std::vector<AcApDocument*> openDocuments()
{
    std::vector<AcApDocument*> documents;
    for (int i = 0; i < acDocManager->documentCount(); ++i)
        documents.push_back(acDocManager->document(i));
    return documents;
}

// Whether the manager holds exactly one record for each open document, and no other.
template <class T>
::testing::AssertionResult followsDocuments(AsdkDataManager<T>& manager)
{
    std::set<T*> records;
    for (AcApDocument* document : openDocuments()) {
        T* record = manager.docData(document);
        if (!record)
            return ::testing::AssertionFailure() << document->fileName() << " has no record";
        records.insert(record);
    }
    const int documents = acDocManager->documentCount();
    if (static_cast<int>(records.size()) != documents || manager.count() != documents)
        return ::testing::AssertionFailure() << manager.count() << " records for " << documents << " documents";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(DocumentData, TheModuleKeepsOneRecordPerOpenDocument)
{
    acDocManager->closeAll();
    EXPECT_EQ(docDataManager.count(), 0);
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    AcApDocument* first = acDocManager->curDocument();
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    EXPECT_TRUE(followsDocuments(docDataManager));
    EXPECT_NE(docDataManager.docData(first), docDataManager.docData(acDocManager->curDocument()));

    // A drawing read from a file counts like a new one; one that cannot be read adds nothing.
    TempDir dir;
    writeFile(dir.file("plan.dxf"), "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
    ASSERT_EQ(acDocManager->appContextOpenDocument(dir.file("plan.dxf").c_str()), Acad::eOk);
    EXPECT_NE(acDocManager->appContextOpenDocument(dir.file("missing.dxf").c_str()), Acad::eOk);
    EXPECT_EQ(docDataManager.count(), 3);
    EXPECT_TRUE(followsDocuments(docDataManager));

    ASSERT_EQ(acDocManager->closeDocument(first), Acad::eOk);
    EXPECT_EQ(docDataManager.count(), 2);
    EXPECT_TRUE(followsDocuments(docDataManager));
    acDocManager->closeAll();
    EXPECT_EQ(docDataManager.count(), 0);
}

TEST(DocumentData, AManagerMadeLateKnowsTheOpenDocumentsAndStopsListeningWhenItGoes)
{
    acDocManager->closeAll();
    acDocManager->appContextNewDocument();
    acDocManager->appContextNewDocument();
    auto manager = std::make_unique<AsdkDataManager<Probe>>();
    EXPECT_EQ(Probe::alive, 2);
    EXPECT_TRUE(followsDocuments(*manager));
    acDocManager->appContextNewDocument();
    EXPECT_EQ(Probe::alive, 3);
    acDocManager->closeDocument(acDocManager->curDocument());
    EXPECT_EQ(Probe::alive, 2);
    EXPECT_TRUE(followsDocuments(*manager));

    manager.reset();
    EXPECT_EQ(Probe::alive, 0);
    // Were the manager still listening, these would reach a destroyed object.
    acDocManager->appContextNewDocument();
    acDocManager->closeAll();
    EXPECT_EQ(Probe::alive, 0);
}

TEST(DocumentData, UnloadingTheModuleLeavesNoListenerBehind)
{
    TempDir appData;
    setenv("XDG_DATA_HOME", appData.path().c_str(), 1);
    writeFile(appData.file("KavroSystems/Quorvane/prefs/prefs.cfg"), "");
    acDocManager->closeAll();
    acDocManager->appContextNewDocument();

    void* module = dlopen(QV_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto entry = reinterpret_cast<AcRx::AppRetCode (*)(AcRx::AppMsgCode, void*)>(dlsym(module, "acrxEntryPoint"));
    ASSERT_NE(entry, nullptr);
    entry(AcRx::kInitAppMsg, module);
    acDocManager->appContextNewDocument();
    acDocManager->closeDocument(acDocManager->curDocument());
    entry(AcRx::kUnloadAppMsg, module);
    ASSERT_EQ(dlclose(module), 0);
    // The library is gone from the process, its code and data with it.
    EXPECT_EQ(dlopen(QV_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);

    // A listener left behind would be called into unmapped code here.
    acDocManager->appContextNewDocument();
    acDocManager->closeAll();
    EXPECT_EQ(docDataManager.count(), 0);
    unsetenv("XDG_DATA_HOME");
}
