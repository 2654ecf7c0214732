// Commands run with acedCommandS: the command found by its name, its prompts answered from
// the arguments and then cancelled, and the host's runner preferred to the modules' commands.
#include "editor_drawing.h"

#include "arx/aced.h"
#include "arx/acedcmd.h"

namespace {

std::vector<std::string> answers;

// Reads texts until a prompt is cancelled; the cancel is kept as "^C".
void collectAnswers()
{
    char text[133];
    for (;;) {
        const int status = acedGetString(1, "", text);
        answers.emplace_back(status == RTNORM ? text : "^C");
        if (status != RTNORM)
            return;
    }
}

using CommandS = EditorDrawing;

} // namespace

TEST_F(CommandS, ArgumentsAnswerTheCommandsPromptsAndNoMore)
{
    acedRegCmds->addCommand("TESTS", "COLLECT", "COLLECT", ACRX_CMD_MODAL, collectAnswers);
    input({"from the script"});
    answers.clear();
    const double point[3] = {1.5, -2, 0};
    EXPECT_EQ(acedCommandS(RTSTR, "_.collect", RTSTR, "a b", RTSHORT, 7, RTREAL, 0.25, RT3DPOINT, point, RTNONE),
              RTNORM);
    EXPECT_EQ(answers, (std::vector<std::string>{"a b", "7", "0.25", "1.5,-2,0", "^C"}));
    EXPECT_EQ(qv::readInput().text, "from the script") << "the input source is not read for the command";

    EXPECT_EQ(acedCommandS(RTNONE), RTNORM);
    EXPECT_EQ(acedCommandS(RTSTR, "_NOSUCH", RTNONE), RTERROR);
    EXPECT_EQ(acedCommandS(RTSHORT, 1, RTNONE), RTERROR);
    EXPECT_EQ(acedCommandS(RTSTR, "__", RTNONE), RTERROR);
    acedRegCmds->removeGroup("TESTS");
}

TEST_F(CommandS, TheHostsRunnerRunsItsOwnCommands)
{
    std::vector<std::string> ran;
    qv::setCommandRunner([&](const std::string& name) {
        ran.push_back(name);
        collectAnswers();
        return name == "EXPORT";
    });
    answers.clear();
    EXPECT_EQ(acedCommandS(RTSTR, "_export", RTSTR, "/tmp/x.pdf", RTNONE), RTNORM);
    EXPECT_EQ(acedCommandS(RTSTR, "other", RTNONE), RTERROR);
    qv::setCommandRunner(nullptr);
    EXPECT_EQ(ran, (std::vector<std::string>{"EXPORT", "OTHER"}));
    EXPECT_EQ(answers, (std::vector<std::string>{"/tmp/x.pdf", "^C", "^C"}));
}
