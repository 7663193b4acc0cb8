#pragma once
// Dialogs for tests: folder pickers and confirmations answer from a script,
// and every question asked is recorded for the test to read.

#include "ui/dialogs.h"

#include <deque>
#include <vector>

class ScriptedDialogs : public Dialogs {
public:
    struct Alert {
        QString title;
        QString message;
        QString action; // the button beside OK, when there was one
    };
    struct Confirmation {
        QString title;
        QString message;
        QString acceptTitle;
        QString cancelTitle;
        bool cancelByDefault = false;
    };
    struct Question {
        QString title;
        QString message;
        QString firstTitle;
        QString secondTitle;
    };

    // Answers for the next pickers, in order; an empty answer is a cancel.
    std::deque<std::vector<std::filesystem::path>> folderAnswers;
    std::deque<bool> confirmAnswers;
    std::deque<bool> actionAnswers;   // an alert's action chosen (else OK)
    std::deque<Choice> choiceAnswers; // none left: cancel

    std::vector<FolderRequest> folderRequests;
    std::vector<Alert> alerts;
    std::vector<Confirmation> confirmations;
    std::vector<Question> questions;

    std::vector<std::filesystem::path> chooseFolders(const FolderRequest& request) override
    {
        folderRequests.push_back(request);
        if (folderAnswers.empty())
            return {};
        auto answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }

    void showAlert(const QString& title, const QString& message) override { alerts.push_back({title, message, {}}); }

    bool alertWithAction(const QString& title, const QString& message, const QString& action) override
    {
        alerts.push_back({title, message, action});
        if (actionAnswers.empty())
            return false;
        const bool answer = actionAnswers.front();
        actionAnswers.pop_front();
        return answer;
    }

    Choice choose(const QString& title, const QString& message, const QString& firstTitle,
                  const QString& secondTitle) override
    {
        questions.push_back({title, message, firstTitle, secondTitle});
        if (choiceAnswers.empty())
            return Choice::cancel;
        const Choice answer = choiceAnswers.front();
        choiceAnswers.pop_front();
        return answer;
    }

    bool confirm(const QString& title, const QString& message, const QString& acceptTitle, const QString& cancelTitle,
                 bool cancelByDefault = false) override
    {
        confirmations.push_back({title, message, acceptTitle, cancelTitle, cancelByDefault});
        if (confirmAnswers.empty())
            return false;
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
};
