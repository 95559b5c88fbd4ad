// A vault that goes away: a stand-in for "Keystead.KstdConnection" that
// forwards every member call to the real connection (and wraps the objects
// it hands out the same way) until the n-th call, which raises. The same
// stand-in in front of a host session answers chosen members itself.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "sim/vault/KstdConnection.h"

namespace rc::testing {

namespace au = rc::automation;

struct FailPlan {
  int failAt = 0;  // the call that raises, counted from arming; 0: never
  int calls = 0;   // calls since arming
  // Members answered with these values instead of by the real object.
  std::map<std::string, au::Variant, std::less<>> answers;
  void arm(int n) {
    failAt = n;
    calls = 0;
  }
};

class FailingProxy : public au::Dispatch {
 public:
  FailingProxy(au::ObjectRef inner, std::shared_ptr<FailPlan> plan)
      : inner_(std::move(inner)), plan_(std::move(plan)), info_(&proxyInfo(inner_->typeInfo())) {}

  const au::ClassInfo& typeInfo() const override { return *info_; }
  au::ObjectRef queryInterface(std::string_view name) override {
    au::ObjectRef other = inner_->queryInterface(name);
    if (other == inner_) return self();
    return wrap(other);
  }
  std::optional<std::vector<au::Variant>> enumerate() override {
    tick();
    auto items = inner_->enumerate();
    if (items)
      for (au::Variant& v : *items) v = wrapValue(v);
    return items;
  }

  // Registers the stand-in under the connection's ProgID; restore() undoes it.
  static void install(std::shared_ptr<FailPlan> plan) {
    au::registerClass("Keystead.KstdConnection", proxyInfo(sim::vault::KstdConnection::info()), [plan] {
      return au::ObjectRef(std::make_shared<FailingProxy>(std::make_shared<sim::vault::KstdConnection>(), plan));
    });
  }
  static void restore() {
    au::registerClass("Keystead.KstdConnection", sim::vault::KstdConnection::info(),
                      [] { return au::ObjectRef(std::make_shared<sim::vault::KstdConnection>()); });
  }
  // Puts the stand-in in front of the host session `host` for
  // "Vexlar.Application"; sim::registerApplications() undoes it.
  static void installHost(std::shared_ptr<FailPlan> plan, au::ObjectRef host) {
    au::registerClass("Vexlar.Application", proxyInfo(host->typeInfo()),
                      [plan, host] { return au::ObjectRef(std::make_shared<FailingProxy>(host, plan)); });
  }

 private:
  void tick() {
    ++plan_->calls;
    if (plan_->failAt != 0 && plan_->calls == plan_->failAt)
      au::raise(au::err::ApplicationDefined, "The vault went away", "Keystead");
  }
  au::ObjectRef wrap(const au::ObjectRef& obj) const {
    if (!obj) return obj;
    return std::make_shared<FailingProxy>(obj, plan_);
  }
  au::Variant wrapValue(const au::Variant& v) const {
    if (!v.isObject() || v.isNothing()) return v;
    return au::Variant(wrap(v.asObject()));
  }

  static std::uint8_t callKind(au::MemberKind k) {
    switch (k) {
      case au::MemberKind::PropertyGet: return au::kGet;
      case au::MemberKind::PropertyLet: return au::kLet;
      case au::MemberKind::PropertySet: return au::kSet;
      default: return au::kMethod;
    }
  }

  // The inner class's members, each forwarding to the inner object.
  static const au::ClassInfo& proxyInfo(const au::ClassInfo& inner) {
    static std::map<const au::ClassInfo*, std::unique_ptr<au::ClassInfo>> cache;
    auto& slot = cache[&inner];
    if (slot) return *slot;
    slot = std::make_unique<au::ClassInfo>(inner);
    for (au::MemberInfo& m : slot->members) {
      m.handler = [name = m.name, kind = callKind(m.kind)](au::Dispatch& d, au::CallArgs& a) {
        auto& p = static_cast<FailingProxy&>(d);
        p.tick();
        if (auto answer = p.plan_->answers.find(name); answer != p.plan_->answers.end()) return answer->second;
        return p.wrapValue(p.inner_->invoke(name, kind, a.values()));
      };
    }
    return *slot;
  }

  au::ObjectRef inner_;
  std::shared_ptr<FailPlan> plan_;
  const au::ClassInfo* info_;
};

// Installs the stand-in for the scope's lifetime and answers its plan.
class ScopedFailingVault {
 public:
  ScopedFailingVault() { FailingProxy::install(plan); }
  ~ScopedFailingVault() { FailingProxy::restore(); }
  ScopedFailingVault(const ScopedFailingVault&) = delete;
  ScopedFailingVault& operator=(const ScopedFailingVault&) = delete;

  std::shared_ptr<FailPlan> plan = std::make_shared<FailPlan>();
};

}  // namespace rc::testing
