#include "sim/usbctrl/fault_rules.h"

#include "device/usbctrl_contract.h"

#include <cstring>

namespace simstore {

namespace {

// What an unplugged player gives: an enumeration finds nothing, every other
// call fails.
int NoAnswerResult(const char *method) {
  return strncmp(method, "FindFirst", 9) == 0 ||
                 strncmp(method, "FindNext", 8) == 0
             ? usbctrl::kNoMoreFiles
             : simplayer::kResultFailed;
}

bool Matches(const simplayer::FailRule &rule, const char *method, int index) {
  return rule.method == method && (rule.index == -1 || rule.index == index);
}

} // namespace

bool FailRuleHits(simplayer::PlayerStore *store, const char *method, int index,
                  int *result) {
  if (store->config.unplugged) {
    *result = NoAnswerResult(method);
    return true;
  }
  bool counted = false, hit = false;
  for (simplayer::FailRule &rule : store->config.failRules) {
    if (!Matches(rule, method, index))
      continue;
    ++rule.seen;
    counted = true;
    if (!hit && (rule.nth == 0 || rule.seen == rule.nth)) {
      if (rule.cardOut) {
        // Not a failure: the call goes on without the card.
        store->config.cardAbsent = true;
        continue;
      }
      hit = true;
      *result = rule.result;
      if (rule.unplug) {
        store->config.unplugged = true;
        *result = NoAnswerResult(method);
      }
    }
  }
  if (counted)
    simplayer::SaveStore(*store, nullptr);
  return hit;
}

} // namespace simstore
