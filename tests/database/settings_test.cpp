#include "arx/acutprintf.h"
#include "common/tempdir.h"
#include "database/preferencesvaulteye.h"
#include "support/exkavro.h"

#include <gtest/gtest.h>

namespace {

const char* const twoServers = R"(<?xml version="1.0" encoding="UTF-8"?>
<vaultEyeSettingsPreferences xmlns="urn:settings">
  <server>
    <vaultEyeErrorLogFilePath>/var/log/ve/errors.xml</vaultEyeErrorLogFilePath>
    <acadErrorLogFilePath>/var/log/qv/errors.xml</acadErrorLogFilePath>
    <deletePeriodSecs>3600</deletePeriodSecs>
    <cacheOutPath>/srv/cache/</cacheOutPath>
    <cachePlotTypeID>1</cachePlotTypeID>
    <applyCachePlotSettings>1</applyCachePlotSettings>
    <cachePlotCentred>0</cachePlotCentred>
    <cachePlotScaleTypeID>19</cachePlotScaleTypeID>
    <cachePlotAreaTypeID>4</cachePlotAreaTypeID>
    <cachePlotMediaNameID>88</cachePlotMediaNameID>
    <graphRepOutPath>/srv/reports/</graphRepOutPath>
    <dbTimeout>30</dbTimeout>
    <dbDatasource>db1.example</dbDatasource>
    <dbUserID>quorvane</dbUserID>
    <dbPassword>s3cret&amp;</dbPassword>
    <runAcadService>1</runAcadService>
    <runAcadOnlyWhenRequired>1</runAcadOnlyWhenRequired>
    <acadCheckPeriod>60</acadCheckPeriod>
    <acadPath>/usr/bin/cadhost</acadPath>
    <acadArguments>--no-gui</acadArguments>
    <acadWorkingDirectory>/srv/work/</acadWorkingDirectory>
    <acadTempDirectory>/srv/tmp/</acadTempDirectory>
    <acadMaxSessionSecs>7200</acadMaxSessionSecs>
    <monitorBrenlow>1</monitorBrenlow><brenlowWaitPeriodSecs>11</brenlowWaitPeriodSecs><brenlowBatchSize>21</brenlowBatchSize>
    <monitorFarrit>1</monitorFarrit><farritWaitPeriodSecs>12</farritWaitPeriodSecs><farritBatchSize>22</farritBatchSize>
    <monitorWDZ>1</monitorWDZ><wdzWaitPeriodSecs>13</wdzWaitPeriodSecs><wdzBatchSize>23</wdzBatchSize>
    <monitorQPX>1</monitorQPX><qpxWaitPeriodSecs>14</qpxWaitPeriodSecs><qpxBatchSize>24</qpxBatchSize>
    <monitorHMV>1</monitorHMV><hmvWaitPeriodSecs>15</hmvWaitPeriodSecs><hmvBatchSize>25</hmvBatchSize>
    <monitorRQN>1</monitorRQN><rqnWaitPeriodSecs>16</rqnWaitPeriodSecs><rqnBatchSize>26</rqnBatchSize>
    <debugAcad>acad debug</debugAcad>
    <debugVaultEye>ve debug</debugVaultEye>
  </server>
  <second>
    <dbDatasource>db2.example</dbDatasource>
    <dbTimeout> 30</dbTimeout>
    <applyCachePlotSettings>true</applyCachePlotSettings>
    <cachePlotScaleTypeID>33</cachePlotScaleTypeID>
    <unknownSetting>ignored</unknownSetting>
    <dbUserID>first</dbUserID>
    <dbUserID>later</dbUserID>
  </second>
  <empty/>
</vaultEyeSettingsPreferences>
)";

std::string settingsFile(const TempDir& dir, const std::string& content)
{
    const std::string path = dir.file("settings.xml");
    writeFile(path, content);
    return path;
}

} // namespace

TEST(ServerSettings, TwoServersRoundTripEveryField)
{
    TempDir dir;
    CPreferencesVaultEye list;
    list.deSerialize(settingsFile(dir, twoServers).c_str());
    ASSERT_EQ(list.getCount(), 2);
    const CServerPreferenceVaultEye* s = list.getAt(0);
    EXPECT_EQ(s->getVaultEyeErrorLogFilePath(), "/var/log/ve/errors.xml");
    EXPECT_EQ(s->getAcadErrorLogFilePath(), "/var/log/qv/errors.xml");
    EXPECT_EQ(s->getDeletePeriodSecs(), 3600);
    EXPECT_EQ(s->getCacheOutPath(), "/srv/cache/");
    EXPECT_EQ(s->getCachePlotPC3Device(), 1);
    EXPECT_EQ(s->getApplyCachePlotSettings(), 1);
    EXPECT_EQ(s->getCachePlotCentred(), 0);
    EXPECT_EQ(s->getCachePlotScaleType(), 20);
    EXPECT_EQ(s->getCachePlotAreaType(), 4);
    EXPECT_EQ(s->getCachePlotMediaName(), 88);
    EXPECT_EQ(s->getGraphRepOutPath(), "/srv/reports/");
    EXPECT_EQ(s->getDbTimeout(), 30);
    EXPECT_EQ(s->getDbDatasource(), "db1.example");
    EXPECT_EQ(s->getDbUserID(), "quorvane");
    EXPECT_EQ(s->getDbPassword(), "s3cret&");
    EXPECT_EQ(s->getRunAcadService(), 1);
    EXPECT_EQ(s->getRunAcadOnlyWhenRequired(), 1);
    EXPECT_EQ(s->getAcadCheckPeriod(), 60);
    EXPECT_EQ(s->getAcadPath(), "/usr/bin/cadhost");
    EXPECT_EQ(s->getAcadArguments(), "--no-gui");
    EXPECT_EQ(s->getAcadWorkingDirectory(), "/srv/work/");
    EXPECT_EQ(s->getAcadTempDirectory(), "/srv/tmp/");
    EXPECT_EQ(s->getAcadMaxSessionSecs(), 7200);
    const int monitored[][3] = {
        {s->getMonitorBrenlow(), s->getBrenlowWaitPeriodSecs(), s->getBrenlowBatchSize()},
        {s->getMonitorFarrit(), s->getFarritWaitPeriodSecs(), s->getFarritBatchSize()},
        {s->getMonitorWDZ(), s->getWdzWaitPeriodSecs(), s->getWdzBatchSize()},
        {s->getMonitorQPX(), s->getQpxWaitPeriodSecs(), s->getQpxBatchSize()},
        {s->getMonitorHMV(), s->getHmvWaitPeriodSecs(), s->getHmvBatchSize()},
        {s->getMonitorRQN(), s->getRqnWaitPeriodSecs(), s->getRqnBatchSize()},
    };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(monitored[i][0], 1);
        EXPECT_EQ(monitored[i][1], 11 + i);
        EXPECT_EQ(monitored[i][2], 21 + i);
    }
    EXPECT_EQ(s->getDebugAcad(), "acad debug");
    EXPECT_EQ(s->getDebugVaultEye(), "ve debug");

    const CServerPreferenceVaultEye* t = list.getAt(1);
    EXPECT_EQ(t->getDbDatasource(), "db2.example");
    EXPECT_EQ(t->getDbTimeout(), 0);             // a leading blank is not numeric
    EXPECT_EQ(t->getApplyCachePlotSettings(), 0); // only "1" is true
    EXPECT_EQ(t->getCachePlotScaleType(), 34);
    EXPECT_EQ(t->getDbUserID(), "later");
    EXPECT_EQ(t->getCachePlotCentred(), 1);
    EXPECT_EQ(t->getCachePlotAreaType(), 1);
    EXPECT_EQ(t->getBrenlowWaitPeriodSecs(), 10);
    EXPECT_EQ(t->getRqnBatchSize(), 25);

    list.deSerialize(dir.file("settings.xml").c_str());
    EXPECT_EQ(list.getCount(), 4);
    try {
        list.getAt(4);
        FAIL();
    } catch (CInvalidArgException* e) {
        e->Delete();
    }
}

TEST(ServerSettings, EmptySettingsCommentsAndInstructionsDoNotLoseServers)
{
    TempDir dir;
    CPreferencesVaultEye list;
    list.deSerialize(settingsFile(dir, "<vaultEyeSettingsPreferences>"
                                       "<s><dbUserID>u</dbUserID><dbPassword/><!-- no password --><?note x?>"
                                       "<dbTimeout>15</dbTimeout></s>"
                                       "<s>stray text<dbDatasource>next</dbDatasource></s>"
                                       "</vaultEyeSettingsPreferences>").c_str());
    ASSERT_EQ(list.getCount(), 2);
    EXPECT_EQ(list.getAt(0)->getDbPassword(), "");
    EXPECT_EQ(list.getAt(0)->getDbTimeout(), 15);
    EXPECT_EQ(list.getAt(1)->getDbDatasource(), "next");
}

TEST(ServerSettings, BadFilesGiveAClearErrorAndKeepTheList)
{
    TempDir dir;
    CPreferencesVaultEye list;
    list.deSerialize(settingsFile(dir, twoServers).c_str());
    for (const std::string& content : {std::string("<vaultEyeSettingsPreferences><s>"), std::string(""),
                                      std::string("\x00\x01garbage", 9)}) {
        try {
            list.deSerialize(settingsFile(dir, content).c_str());
            FAIL() << content;
        } catch (CEXKavro* e) {
            EXPECT_EQ(e->getProcSig(), "CPreferencesVaultEye::deSerialize");
            EXPECT_EQ(e->getClass(), "preferencesvaulteye");
            EXPECT_EQ(e->getInnerException(), nullptr);
            CEXKavro::deleteChain(e);
        }
    }
    try {
        list.deSerialize(dir.file("missing.xml").c_str());
        FAIL();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
    EXPECT_EQ(list.getCount(), 2);
    EXPECT_EQ(coInitializeCount(), 0);

    list.deSerialize(settingsFile(dir, "<otherRoot><s><dbUserID>x</dbUserID></s></otherRoot>").c_str());
    list.deSerialize(settingsFile(dir, "<x:vaultEyeSettingsPreferences xmlns:x=\"u\"><s><dbUserID>x</dbUserID></s>"
                                       "</x:vaultEyeSettingsPreferences>").c_str());
    EXPECT_EQ(list.getCount(), 2);
}

TEST(ServerSettings, TheDumpPrintsThePlotSettings)
{
    TempDir dir;
    CPreferencesVaultEye list;
    list.deSerialize(settingsFile(dir, twoServers).c_str());
    CPreferencesVaultEye::dumpWaitSeconds = 0;
    std::string out;
    qv::setOutputSink([&](const std::string& text) { out += text; });
    list.dump("M1");
    qv::setOutputSink(nullptr);
    const std::string first = "Marker                M1\n"
                              "Server                db1.example\n"
                              "getCacheOutPath       /srv/cache/\n"
                              "getCachePlotAreaType  4\n"
                              "getCachePlotCentred   0\n"
                              "getCachePlotMediaName 88, ARCH_full_bleed_A_(9.00_x_12.00_Inches)\n"
                              "getCachePlotPC3Device 1, DWG To PDF.pc3\n"
                              "getCachePlotScaleType 20\n"
                              "\n\n";
    EXPECT_EQ(out.substr(0, first.size()), first);
    EXPECT_NE(out.find("getCachePlotCentred   1\n"), std::string::npos);
    CPreferencesVaultEye::dumpWaitSeconds = 5;
}
