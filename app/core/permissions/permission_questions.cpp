#include "core/permissions/permission_questions.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace tornel {

const PermissionQuestions::Question* PermissionQuestions::questionOf(
    const std::string& nodeID) const {
    const auto found = std::ranges::find(questions_, nodeID, &Question::nodeID);
    return found == questions_.end() ? nullptr : &*found;
}

PermissionQuestions::Question* PermissionQuestions::questionOf(const std::string& nodeID) {
    const auto found = std::ranges::find(questions_, nodeID, &Question::nodeID);
    return found == questions_.end() ? nullptr : &*found;
}

PermissionQuestions::Place PermissionQuestions::placeFor(const std::string& nodeID) const {
    if (const Question* open = questionOf(nodeID)) {
        return open->requests.size() < kMaxWaitsPerNode ? Place::Join : Place::Refuse;
    }
    return questions_.size() < kMaxQuestions ? Place::Ask : Place::Refuse;
}

void PermissionQuestions::ask(Request request, WindowRef<ConfirmPrompt> prompt) {
    Question question{request.nodeID, std::move(prompt), {}};
    question.requests.push_back(std::move(request));
    questions_.push_back(std::move(question));
}

void PermissionQuestions::join(Request request) {
    if (Question* open = questionOf(request.nodeID)) {
        open->requests.push_back(std::move(request));
    }
}

size_t PermissionQuestions::waiting() const {
    return std::accumulate(questions_.begin(), questions_.end(), size_t{0},
                           [](size_t sum, const Question& q) { return sum + q.requests.size(); });
}

std::vector<PermissionQuestions::Question> PermissionQuestions::takeIf(
    const std::function<bool(const Question&)>& over) {
    std::vector<Question> taken;
    std::vector<Question> kept;
    for (Question& question : questions_) {
        (over(question) ? taken : kept).push_back(std::move(question));
    }
    questions_ = std::move(kept);
    return taken;
}

}  // namespace tornel
