#include "arx/acedcmd.h"
#include "module/moduleentry.h"
#include "module/modulestrings.h"

#include <gtest/gtest.h>
#include <string>

namespace {

void handler() {}

constexpr const char* kGroup = "KAVRO_TEST_REGISTER";

// The module's string table for one test, emptied again afterwards.
class ModuleCommands : public testing::Test
{
protected:
    ModuleCommands()
    {
        registerStringTable(moduleInstance(), {{101, "kavroLoadedName"}, {102, std::string(80, 'L')}});
    }
    ~ModuleCommands() override
    {
        registerStringTable(moduleInstance(), {});
        acedRegCmds->removeGroup(kGroup);
    }
};

} // namespace

TEST_F(ModuleCommands, LongNameComesFromTheStringTableUnlessTheIdIsMinusOne)
{
    registerModuleCommand(kGroup, "kaa", "kavroAsGiven", ACRX_CMD_MODAL, handler, -1);
    registerModuleCommand(kGroup, "kab", "kavroUnused", ACRX_CMD_SESSION, handler, 101);
    registerModuleCommand(kGroup, "kac", "kavroUnused2", ACRX_CMD_SESSION, handler, 102);

    ASSERT_TRUE(acedRegCmds->lookupCmd("kavroAsGiven"));
    EXPECT_EQ(acedRegCmds->lookupCmd("kaa")->localName, "kavroAsGiven");
    ASSERT_TRUE(acedRegCmds->lookupCmd("kab"));
    EXPECT_EQ(acedRegCmds->lookupCmd("kab")->localName, "kavroLoadedName");
    EXPECT_EQ(acedRegCmds->lookupCmd("kab")->flags, ACRX_CMD_SESSION);
    EXPECT_FALSE(acedRegCmds->lookupCmd("kavroUnused"));
    ASSERT_TRUE(acedRegCmds->lookupCmd("kac"));
    EXPECT_EQ(acedRegCmds->lookupCmd("kac")->localName, std::string(63, 'L'));
}

TEST_F(ModuleCommands, AnIdMissingFromTheTableKeepsTheGivenNameAndNoNameRegistersNothing)
{
    registerModuleCommand(kGroup, "kad", "kavroFallback", ACRX_CMD_MODAL, handler, 999);
    ASSERT_TRUE(acedRegCmds->lookupCmd("kad"));
    EXPECT_EQ(acedRegCmds->lookupCmd("kad")->localName, "kavroFallback");

    const int before = acedRegCmds->commandCount();
    registerModuleCommand(kGroup, "kae", "", ACRX_CMD_MODAL, handler, 999);
    registerModuleCommand(kGroup, "kaf", nullptr, ACRX_CMD_MODAL, handler, -1);
    EXPECT_EQ(acedRegCmds->commandCount(), before);
    EXPECT_FALSE(acedRegCmds->lookupCmd(""));
}
