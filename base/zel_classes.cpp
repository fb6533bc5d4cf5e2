#include "zel_classes.h"

#include <algorithm>

#include "zel_strutils.h"

namespace zel {

void TPersistent::Assign(const TPersistent* Source) {
  if (Source == nullptr) throw EConvertError("Cannot assign a nil to a " + ClassName());
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  // Nothing knows how to copy: the framework's message names both classes.
  const std::string destName = Dest ? Dest->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + destName);
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Children are deleted last-inserted first; each child's destructor would
  // try to leave this owner, so detach it before deleting.
  while (!FComponents.empty()) {
    TComponent* child = FComponents.back();
    FComponents.pop_back();
    child->FOwner = nullptr;
    delete child;
  }
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

namespace {

bool IsValidIdent(const std::string& s) {
  if (s.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!alpha(s[0])) return false;
  return std::all_of(s.begin() + 1, s.end(), [&](char c) { return alpha(c) || digit(c); });
}

}  // namespace

void TComponent::SetName(const std::string& NewName) {
  if (NewName == FName) return;
  if (!NewName.empty()) {
    if (!IsValidIdent(NewName)) throw EComponentError("\"" + NewName + "\" is not a valid component name");
    if (FOwner != nullptr) {
      TComponent* other = FOwner->FindComponent(NewName);
      if (other != nullptr && other != this)
        throw EComponentError("A component named " + NewName + " already exists");
    }
  }
  FName = NewName;
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FComponents[static_cast<std::size_t>(Index)];
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, AName)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner == this) return;
  // An owner must not end up owned by its own descendant.
  for (TComponent* o = this; o != nullptr; o = o->FOwner)
    if (o == AComponent) throw EComponentError("A component cannot own itself or its owner");
  if (!AComponent->FName.empty()) {
    TComponent* other = FindComponent(AComponent->FName);
    if (other != nullptr) throw EComponentError("A component named " + AComponent->FName + " already exists");
  }
  if (AComponent->FOwner != nullptr) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent->FOwner != this) return;
  auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (it != FComponents.end()) FComponents.erase(it);
  AComponent->FOwner = nullptr;
}

}  // namespace zel
