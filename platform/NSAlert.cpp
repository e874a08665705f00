#include "platform/NSAlert.h"

#include "platform/NSRunLoop.h"

#include <deque>
#include <mutex>
#include <ostream>
#include <stdexcept>

namespace {

struct Answer {
    std::string message;
    std::string button;
    std::string typed;
};

struct Script {
    std::mutex mutex;
    std::deque<Answer> answers;
    std::vector<NSAlertScript::Record> log;
    std::ostream *headless = nullptr;
};

Script &script() {
    static Script s;
    return s;
}

} // namespace

long NSAlert::runModal() {
    if (!NSRunLoop::isMainThread())
        throw std::logic_error("NSAlert: \"" + messageText_ + "\" shown off the main thread");
    if (buttons_.empty())
        buttons_.push_back("OK");

    NSAlertScript::Record record{messageText_, informativeText_, icon_ ? icon_->name() : "",
                                 buttons_, ""};
    std::size_t chosen = buttons_.size() - 1;
    Script &s = script();
    std::lock_guard lock(s.mutex);
    if (s.headless) {
        *s.headless << "alert: " << messageText_ << "\n";
        if (!informativeText_.empty())
            *s.headless << "  " << informativeText_ << "\n";
        *s.headless << "  answered \"" << buttons_[chosen] << "\"" << std::endl;
    } else {
        if (s.answers.empty())
            throw std::logic_error("NSAlert: unscripted alert \"" + messageText_ + "\"");
        Answer answer = std::move(s.answers.front());
        s.answers.pop_front();
        if (answer.message != messageText_)
            throw std::logic_error("NSAlert: alert \"" + messageText_ +
                                   "\" shown where the script expects \"" + answer.message + "\"");
        std::size_t i = 0;
        while (i < buttons_.size() && buttons_[i] != answer.button)
            ++i;
        if (i == buttons_.size())
            throw std::logic_error("NSAlert: alert \"" + messageText_ + "\" has no button \"" +
                                   answer.button + "\"");
        chosen = i;
        if (accessoryView_ && !answer.typed.empty()) {
            accessoryView_->beginEditing();
            accessoryView_->setStringValue(answer.typed);
        }
    }

    record.answer = buttons_[chosen];
    s.log.push_back(std::move(record));
    return NSAlertFirstButtonReturn + static_cast<long>(chosen);
}

void NSAlertScript::expect(std::string message, std::string button) {
    Script &s = script();
    std::lock_guard lock(s.mutex);
    s.answers.push_back({std::move(message), std::move(button), {}});
}

void NSAlertScript::expect(std::string message, std::string button, std::string typed) {
    Script &s = script();
    std::lock_guard lock(s.mutex);
    s.answers.push_back({std::move(message), std::move(button), std::move(typed)});
}

void NSAlertScript::answerLastButton(std::ostream *out) {
    Script &s = script();
    std::lock_guard lock(s.mutex);
    s.headless = out;
}

std::vector<NSAlertScript::Record> NSAlertScript::log() {
    Script &s = script();
    std::lock_guard lock(s.mutex);
    return s.log;
}

std::size_t NSAlertScript::unusedAnswers() {
    Script &s = script();
    std::lock_guard lock(s.mutex);
    return s.answers.size();
}

void NSAlertScript::reset() {
    Script &s = script();
    std::lock_guard lock(s.mutex);
    s.answers.clear();
    s.log.clear();
    s.headless = nullptr;
}
