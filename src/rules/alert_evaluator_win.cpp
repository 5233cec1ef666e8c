#include "rules/alert_evaluator_win.h"

namespace qv {

struct AlertEvaluator::Impl {};
AlertEvaluator::AlertEvaluator() : impl_(nullptr) {}
AlertEvaluator::~AlertEvaluator() = default;
void AlertEvaluator::evaluate(const std::vector<AlertRule>&, const Snapshot&, SharedState&, HWND) {}

}  // namespace qv
