// The modem dialogue on its own, as data: golden/modem_answers.txt holds what a modem answers
// to each command in turn ("|" between the answers), and after each the commands the dialogue
// sent and how it ended. A question that runs out of answers ends with the answer's time-out.
#include "core/connection/modem_dialogue.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/golden.h"

namespace linkvane {
namespace {

std::string Converse(const std::string& answers) {
    ModemDialogue dialogue("AT&F", "5551");
    std::istringstream replies(answers);
    std::string said;
    for (std::string reply; !dialogue.Connected() && !dialogue.Failure();) {
        const std::string command = dialogue.TakeCommand();
        said += command.empty() ? "" : command.substr(0, command.size() - 1) + " ";
        if (!std::getline(replies, reply, '|')) {
            if (!dialogue.AnswerLimit())
                return said + "=> still dialling";
            dialogue.AnswerTimedOut();
            break;
        }
        dialogue.Receive(reply);
    }
    if (dialogue.Connected())
        return said + "=> connected \"" + dialogue.ConnectText() + "\"";
    return said + "=> " + std::to_string(dialogue.Failure()->errorCode) + " " +
           dialogue.Failure()->text;
}

TEST(ModemDialogue, EachAnswerLeadsToItsCommandsAndItsEnd) {
    testing::ExpectGoldenAnswers("core/connection/golden/modem_answers.txt", Converse);
}

}  // namespace
}  // namespace linkvane
