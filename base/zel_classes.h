// Object model: TObject, TPersistent and TComponent with owner/name ownership.
//
// A component created with an owner is deleted by that owner; deleting a
// component first removes it from its owner. Components may also live on the
// stack or in a std::unique_ptr with a null owner. Components are not
// copyable: Assign is the copy.
#pragma once

#include <string>
#include <vector>

#include "zel_exceptions.h"

namespace zel {

/// Root of the class tree: virtual destruction and the class name.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  /// Name of the object's most derived class, for example "TVector".
  virtual std::string ClassName() const { return "TObject"; }
};

/// An object whose state can be copied from another with Assign.
class TPersistent : public TObject {
 public:
  std::string ClassName() const override { return "TPersistent"; }

  /// Copies the state of Source into this object. A class overrides it for
  /// the sources it understands and calls the inherited Assign otherwise,
  /// which asks Source to AssignTo this object.
  virtual void Assign(const TPersistent* Source);

 protected:
  /// Copies this object into Dest. The inherited version raises
  /// EConvertError "Cannot assign a <source class> to a <dest class>".
  virtual void AssignTo(TPersistent* Dest) const;
};

/// A persistent object with an owner and a name. The owner deletes the
/// components it owns when it is deleted itself.
class TComponent : public TPersistent {
 public:
  /// Creates the component and inserts it into AOwner's list (AOwner may be null).
  explicit TComponent(TComponent* AOwner = nullptr);
  /// Deletes the owned components (last inserted first), then leaves the owner.
  ~TComponent() override;

  std::string ClassName() const override { return "TComponent"; }

  TComponent* Owner() const noexcept { return FOwner; }
  const std::string& Name() const noexcept { return FName; }
  /// Renames the component. An empty name is always allowed; otherwise the
  /// name must be an identifier and unique (ignoring ASCII case) among the
  /// owner's components, or EComponentError is raised.
  void SetName(const std::string& NewName);

  int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
  /// The Index-th owned component (0-based); EListError when out of range.
  TComponent* Components(int Index) const;
  /// The owned component of that name (ignoring ASCII case), or null.
  TComponent* FindComponent(const std::string& AName) const;

  /// Makes this component the owner of AComponent (removing it from its old owner).
  void InsertComponent(TComponent* AComponent);
  /// Releases AComponent from this owner without deleting it.
  void RemoveComponent(TComponent* AComponent);

  /// Free-form value for the application.
  long long Tag = 0;

 private:
  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;
};

}  // namespace zel
