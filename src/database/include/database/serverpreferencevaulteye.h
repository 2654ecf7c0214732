// One server's document-monitor settings: where error logs go, how cached plots are made,
// the database login, how the host runs as a service and how monitored modules are polled.
#pragma once

#include "mfc/cstring.h"
#include "msxml/dom.h"

class CServerPreferenceVaultEye
{
public:
    CServerPreferenceVaultEye() = default;

    // Reads the settings of one server element: each child is a setting named by its
    // element name, its value the text of its first child.
    void deSerialize(MSXML2::IXMLDOMNodePtr server);

    CString getVaultEyeErrorLogFilePath() const { return vaultEyeErrorLogFilePath; }
    CString getAcadErrorLogFilePath() const { return acadErrorLogFilePath; }
    int getDeletePeriodSecs() const { return deletePeriodSecs; }
    CString getCacheOutPath() const { return cacheOutPath; }
    int getCachePlotPC3Device() const { return cachePlotTypeID; }
    int getApplyCachePlotSettings() const { return applyCachePlotSettings; }
    int getCachePlotCentred() const { return cachePlotCentred; }
    int getCachePlotScaleType() const { return cachePlotScaleTypeID; }
    int getCachePlotAreaType() const { return cachePlotAreaTypeID; }
    int getCachePlotMediaName() const { return cachePlotMediaNameID; }
    CString getGraphRepOutPath() const { return graphRepOutPath; }
    int getDbTimeout() const { return dbTimeout; }
    CString getDbDatasource() const { return dbDatasource; }
    CString getDbUserID() const { return dbUserID; }
    CString getDbPassword() const { return dbPassword; }
    int getRunAcadService() const { return runAcadService; }
    int getRunAcadOnlyWhenRequired() const { return runAcadOnlyWhenRequired; }
    int getAcadCheckPeriod() const { return acadCheckPeriod; }
    CString getAcadPath() const { return acadPath; }
    CString getAcadArguments() const { return acadArguments; }
    CString getAcadWorkingDirectory() const { return acadWorkingDirectory; }
    CString getAcadTempDirectory() const { return acadTempDirectory; }
    int getAcadMaxSessionSecs() const { return acadMaxSessionSecs; }
    int getMonitorBrenlow() const { return monitorBrenlow; }
    int getBrenlowWaitPeriodSecs() const { return brenlowWaitPeriodSecs; }
    int getBrenlowBatchSize() const { return brenlowBatchSize; }
    int getMonitorFarrit() const { return monitorFarrit; }
    int getFarritWaitPeriodSecs() const { return farritWaitPeriodSecs; }
    int getFarritBatchSize() const { return farritBatchSize; }
    int getMonitorWDZ() const { return monitorWDZ; }
    int getWdzWaitPeriodSecs() const { return wdzWaitPeriodSecs; }
    int getWdzBatchSize() const { return wdzBatchSize; }
    int getMonitorQPX() const { return monitorQPX; }
    int getQpxWaitPeriodSecs() const { return qpxWaitPeriodSecs; }
    int getQpxBatchSize() const { return qpxBatchSize; }
    int getMonitorHMV() const { return monitorHMV; }
    int getHmvWaitPeriodSecs() const { return hmvWaitPeriodSecs; }
    int getHmvBatchSize() const { return hmvBatchSize; }
    int getMonitorRQN() const { return monitorRQN; }
    int getRqnWaitPeriodSecs() const { return rqnWaitPeriodSecs; }
    int getRqnBatchSize() const { return rqnBatchSize; }
    CString getDebugAcad() const { return debugAcad; }
    CString getDebugVaultEye() const { return debugVaultEye; }

private:
    void store(const CString& name, const CString& value);

    CString vaultEyeErrorLogFilePath;
    CString acadErrorLogFilePath;
    int deletePeriodSecs = 0;
    CString cacheOutPath;
    int cachePlotTypeID = 0;
    int applyCachePlotSettings = 0;
    int cachePlotCentred = 1;
    int cachePlotScaleTypeID = 0;
    int cachePlotAreaTypeID = 1;
    int cachePlotMediaNameID = 0;
    CString graphRepOutPath;
    int dbTimeout = 0;
    CString dbDatasource;
    CString dbUserID;
    CString dbPassword;
    int runAcadService = 0;
    int runAcadOnlyWhenRequired = 0;
    int acadCheckPeriod = 0;
    CString acadPath;
    CString acadArguments;
    CString acadWorkingDirectory;
    CString acadTempDirectory;
    int acadMaxSessionSecs = 0;
    int monitorBrenlow = 0;
    int brenlowWaitPeriodSecs = 10;
    int brenlowBatchSize = 25;
    int monitorFarrit = 0;
    int farritWaitPeriodSecs = 10;
    int farritBatchSize = 25;
    int monitorWDZ = 0;
    int wdzWaitPeriodSecs = 10;
    int wdzBatchSize = 25;
    int monitorQPX = 0;
    int qpxWaitPeriodSecs = 10;
    int qpxBatchSize = 25;
    int monitorHMV = 0;
    int hmvWaitPeriodSecs = 10;
    int hmvBatchSize = 25;
    int monitorRQN = 0;
    int rqnWaitPeriodSecs = 10;
    int rqnBatchSize = 25;
    CString debugAcad;
    CString debugVaultEye;
};
