#include "database/serverpreferencevaulteye.h"

#include "database/plotoptions.h"
#include "support/kavroguard.h"
#include "support/utilities.h"

#include <variant>

namespace {

enum class Kind { text, integer, boolean, plotDevice, scale, plotArea, mediaSize };

using Field = std::variant<CString CServerPreferenceVaultEye::*, int CServerPreferenceVaultEye::*>;

int convert(Kind kind, const CString& text)
{
    const int value = CUtilities::CStringToInt(text);
    switch (kind) {
    case Kind::boolean: return text == "1" ? 1 : 0;
    case Kind::plotDevice: return CPlotOptions::convertPlotDevice(value);
    case Kind::scale: return CPlotOptions::convertScale(value);
    case Kind::plotArea: return CPlotOptions::convertPlotArea(value);
    case Kind::mediaSize: return CPlotOptions::convertMediaSize(value);
    default: return value;
    }
}

// The text of a setting: its first child's value when that is text, else empty.
CString settingText(const MSXML2::IXMLDOMNodePtr& setting)
{
    MSXML2::IXMLDOMNodePtr first = setting->get_firstChild();
    if (!first)
        return CString();
    return first->get_nodeValue().value_or(CString());
}

struct ServerSetting
{
    const char* name;
    Kind kind;
    Field field;
};

} // namespace

void CServerPreferenceVaultEye::store(const CString& name, const CString& value)
{
    // Every setting by its element name, in file order.
    static const ServerSetting settings[] = {
        {"vaultEyeErrorLogFilePath", Kind::text, &CServerPreferenceVaultEye::vaultEyeErrorLogFilePath},
        {"acadErrorLogFilePath", Kind::text, &CServerPreferenceVaultEye::acadErrorLogFilePath},
        {"deletePeriodSecs", Kind::integer, &CServerPreferenceVaultEye::deletePeriodSecs},
        {"cacheOutPath", Kind::text, &CServerPreferenceVaultEye::cacheOutPath},
        {"cachePlotTypeID", Kind::plotDevice, &CServerPreferenceVaultEye::cachePlotTypeID},
        {"applyCachePlotSettings", Kind::boolean, &CServerPreferenceVaultEye::applyCachePlotSettings},
        {"cachePlotCentred", Kind::boolean, &CServerPreferenceVaultEye::cachePlotCentred},
        {"cachePlotScaleTypeID", Kind::scale, &CServerPreferenceVaultEye::cachePlotScaleTypeID},
        {"cachePlotAreaTypeID", Kind::plotArea, &CServerPreferenceVaultEye::cachePlotAreaTypeID},
        {"cachePlotMediaNameID", Kind::mediaSize, &CServerPreferenceVaultEye::cachePlotMediaNameID},
        {"graphRepOutPath", Kind::text, &CServerPreferenceVaultEye::graphRepOutPath},
        {"dbTimeout", Kind::integer, &CServerPreferenceVaultEye::dbTimeout},
        {"dbDatasource", Kind::text, &CServerPreferenceVaultEye::dbDatasource},
        {"dbUserID", Kind::text, &CServerPreferenceVaultEye::dbUserID},
        {"dbPassword", Kind::text, &CServerPreferenceVaultEye::dbPassword},
        {"runAcadService", Kind::boolean, &CServerPreferenceVaultEye::runAcadService},
        {"runAcadOnlyWhenRequired", Kind::boolean, &CServerPreferenceVaultEye::runAcadOnlyWhenRequired},
        {"acadCheckPeriod", Kind::integer, &CServerPreferenceVaultEye::acadCheckPeriod},
        {"acadPath", Kind::text, &CServerPreferenceVaultEye::acadPath},
        {"acadArguments", Kind::text, &CServerPreferenceVaultEye::acadArguments},
        {"acadWorkingDirectory", Kind::text, &CServerPreferenceVaultEye::acadWorkingDirectory},
        {"acadTempDirectory", Kind::text, &CServerPreferenceVaultEye::acadTempDirectory},
        {"acadMaxSessionSecs", Kind::integer, &CServerPreferenceVaultEye::acadMaxSessionSecs},
        {"monitorBrenlow", Kind::boolean, &CServerPreferenceVaultEye::monitorBrenlow},
        {"brenlowWaitPeriodSecs", Kind::integer, &CServerPreferenceVaultEye::brenlowWaitPeriodSecs},
        {"brenlowBatchSize", Kind::integer, &CServerPreferenceVaultEye::brenlowBatchSize},
        {"monitorFarrit", Kind::boolean, &CServerPreferenceVaultEye::monitorFarrit},
        {"farritWaitPeriodSecs", Kind::integer, &CServerPreferenceVaultEye::farritWaitPeriodSecs},
        {"farritBatchSize", Kind::integer, &CServerPreferenceVaultEye::farritBatchSize},
        {"monitorWDZ", Kind::boolean, &CServerPreferenceVaultEye::monitorWDZ},
        {"wdzWaitPeriodSecs", Kind::integer, &CServerPreferenceVaultEye::wdzWaitPeriodSecs},
        {"wdzBatchSize", Kind::integer, &CServerPreferenceVaultEye::wdzBatchSize},
        {"monitorQPX", Kind::boolean, &CServerPreferenceVaultEye::monitorQPX},
        {"qpxWaitPeriodSecs", Kind::integer, &CServerPreferenceVaultEye::qpxWaitPeriodSecs},
        {"qpxBatchSize", Kind::integer, &CServerPreferenceVaultEye::qpxBatchSize},
        {"monitorHMV", Kind::boolean, &CServerPreferenceVaultEye::monitorHMV},
        {"hmvWaitPeriodSecs", Kind::integer, &CServerPreferenceVaultEye::hmvWaitPeriodSecs},
        {"hmvBatchSize", Kind::integer, &CServerPreferenceVaultEye::hmvBatchSize},
        {"monitorRQN", Kind::boolean, &CServerPreferenceVaultEye::monitorRQN},
        {"rqnWaitPeriodSecs", Kind::integer, &CServerPreferenceVaultEye::rqnWaitPeriodSecs},
        {"rqnBatchSize", Kind::integer, &CServerPreferenceVaultEye::rqnBatchSize},
        {"debugAcad", Kind::text, &CServerPreferenceVaultEye::debugAcad},
        {"debugVaultEye", Kind::text, &CServerPreferenceVaultEye::debugVaultEye},
    };
    for (const ServerSetting& s : settings) {
        if (name != s.name)
            continue;
        if (s.kind == Kind::text)
            this->*std::get<CString CServerPreferenceVaultEye::*>(s.field) = value;
        else
            this->*std::get<int CServerPreferenceVaultEye::*>(s.field) = convert(s.kind, value);
        return;
    }
}

void CServerPreferenceVaultEye::deSerialize(MSXML2::IXMLDOMNodePtr server)
{
    kavroGuard("CServerPreferenceVaultEye::deSerialize", __FILE__, [&] {
        // Settings are elements; comments, instructions and stray text between them are
        // not, and an empty element reads as empty text.
        MSXML2::IXMLDOMNodeListPtr children = server->get_childNodes();
        for (long i = 0; i < children->get_length(); ++i) {
            MSXML2::IXMLDOMNodePtr setting = children->get_item(i);
            if (setting->get_nodeType() == MSXML2::NODE_ELEMENT)
                store(setting->get_nodeName(), settingText(setting));
        }
    }, 0);
}
