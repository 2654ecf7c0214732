#include "database/preferencesvaulteye.h"

#include "arx/acutprintf.h"
#include "database/plotoptions.h"
#include "support/kavroguard.h"
#include "support/systemutilities.h"

CPreferencesVaultEye vaultEyePreferences;

int CPreferencesVaultEye::dumpWaitSeconds = 5;

CPreferencesVaultEye::~CPreferencesVaultEye()
{
    try {
        deleteObjects();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
}

void CPreferencesVaultEye::deSerialize(CString path)
{
    kavroGuard("CPreferencesVaultEye::deSerialize", __FILE__, [&] {
        CoInitializeScope com;
        MSXML2::IXMLDOMDocumentPtr document;
        document.CreateInstance("Msxml2.DOMDocument");
        document->load(path);
        MSXML2::IXMLDOMNodePtr root = document->selectNodes("/*")->get_item(0);
        if (root->get_nodeName() == "vaultEyeSettingsPreferences") {
            MSXML2::IXMLDOMNodeListPtr children = root->get_childNodes();
            for (long i = 0; i < children->get_length(); ++i) {
                MSXML2::IXMLDOMNodePtr child = children->get_item(i);
                if (!child->hasChildNodes())
                    continue;
                auto server = std::make_unique<CServerPreferenceVaultEye>();
                server->deSerialize(child);
                add(server.release());
            }
        }
    });
}

CServerPreferenceVaultEye* CPreferencesVaultEye::getAt(int index) const
{
    return m_servers.GetAt(index);
}

void CPreferencesVaultEye::add(CServerPreferenceVaultEye* server)
{
    m_servers.Add(server);
    ++m_count;
}

void CPreferencesVaultEye::dump(CString marker)
{
    for (int i = 0; i < m_count; ++i) {
        const CServerPreferenceVaultEye* server = m_servers.GetAt(i);
        const int media = server->getCachePlotMediaName();
        const int device = server->getCachePlotPC3Device();
        acutPrintf("Marker                %s\n", marker);
        acutPrintf("Server                %s\n", server->getDbDatasource());
        acutPrintf("getCacheOutPath       %s\n", server->getCacheOutPath());
        acutPrintf("getCachePlotAreaType  %i\n", server->getCachePlotAreaType());
        acutPrintf("getCachePlotCentred   %i\n", server->getCachePlotCentred() ? 1 : 0);
        acutPrintf("getCachePlotMediaName %i, %s\n", media,
                   CPlotOptions::convertMediaSize(static_cast<MediaSize>(media)));
        acutPrintf("getCachePlotPC3Device %i, %s\n", device,
                   CPlotOptions::convertPlotDevice(static_cast<PlotDevice>(device)));
        acutPrintf("getCachePlotScaleType %i\n", server->getCachePlotScaleType());
        acutPrintf("\n\n");
        CSystemUtilities::wait(dumpWaitSeconds);
    }
}

void CPreferencesVaultEye::deleteObjects()
{
    kavroGuard("CPreferencesVaultEye::deleteObjects", __FILE__, [&] {
        for (CServerPreferenceVaultEye* server : m_servers)
            delete server;
        m_servers.RemoveAll();
        m_count = 0;
    }, 0);
}
