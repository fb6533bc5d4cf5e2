// Object model, exceptions, progress state and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "zel_base.h"
#include "zel_classes.h"
#include "zel_threads.h"

namespace zel {
namespace {

// Records destruction order so ownership can be checked.
class TTracked : public TComponent {
 public:
  TTracked(TComponent* owner, std::vector<std::string>* log, std::string id)
      : TComponent(owner), FLog(log), FId(std::move(id)) {}
  ~TTracked() override { FLog->push_back(FId); }
  std::string ClassName() const override { return "TTracked"; }

 private:
  std::vector<std::string>* FLog;
  std::string FId;
};

// A persistent class that understands copies from its own kind only.
class TValueHolder : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TValueHolder"; }
  void Assign(const TPersistent* Source) override {
    if (auto* v = dynamic_cast<const TValueHolder*>(Source)) {
      Value = v->Value;
      return;
    }
    TComponent::Assign(Source);
  }
  int Value = 0;
};

TEST(Components, OwnerDeletesChildrenLastInsertedFirst) {
  std::vector<std::string> log;
  auto* owner = new TTracked(nullptr, &log, "owner");
  new TTracked(owner, &log, "a");
  auto* b = new TTracked(owner, &log, "b");
  new TTracked(b, &log, "b1");
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(b->Owner(), owner);
  delete owner;
  // The owner's destructor body runs first, then its children, deepest
  // children with their parent.
  EXPECT_EQ(log, (std::vector<std::string>{"owner", "b", "b1", "a"}));
}

TEST(Components, DeletingAChildDetachesIt) {
  std::vector<std::string> log;
  TComponent owner;
  auto* a = new TTracked(&owner, &log, "a");
  auto* b = new TTracked(&owner, &log, "b");
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), b);
  EXPECT_THROW(owner.Components(1), EListError);
  EXPECT_THROW(owner.Components(-1), EListError);
  // A child moved to another owner leaves the first one.
  TComponent other;
  other.InsertComponent(b);
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_EQ(b->Owner(), &other);
  owner.RemoveComponent(b);  // not owned by owner: no effect
  EXPECT_EQ(b->Owner(), &other);
  other.RemoveComponent(b);
  EXPECT_EQ(b->Owner(), nullptr);
  delete b;
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
}

TEST(Components, NamesAreIdentifiersUniqueUnderOneOwner) {
  TComponent owner;
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("Matrix1");
  EXPECT_EQ(owner.FindComponent("MATRIX1"), a);
  EXPECT_THROW(b->SetName("matrix1"), EComponentError);
  EXPECT_THROW(b->SetName("1abc"), EComponentError);
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  EXPECT_EQ(b->Name(), "");
  b->SetName("_x2");
  EXPECT_EQ(b->Name(), "_x2");
  a->SetName("");  // an empty name is always allowed
  EXPECT_EQ(owner.FindComponent("Matrix1"), nullptr);
  // An owner cannot become a child of its descendant.
  EXPECT_THROW(a->InsertComponent(&owner), EComponentError);
  EXPECT_THROW(a->InsertComponent(a), EComponentError);
}

TEST(Components, AssignFailsBetweenUnrelatedClasses) {
  TValueHolder x, y;
  y.Value = 7;
  x.Assign(&y);
  EXPECT_EQ(x.Value, 7);
  TComponent plain;
  try {
    x.Assign(&plain);
    FAIL() << "Assign from an unrelated class must raise";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TValueHolder");
  }
  EXPECT_THROW(x.Assign(nullptr), EConvertError);
  EXPECT_EQ(x.Value, 7);
}

TEST(Exceptions, HierarchyAndComponentMessages) {
  try {
    throw EZELError(ComponentMessage("Vec1", "not enough memory on heap"));
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Component \"Vec1\": not enough memory on heap");
  }
  EXPECT_THROW(throw EZeroDivide("x"), EMathError);
  EXPECT_THROW(throw EReadError("x"), EStreamError);
}

std::vector<double>* g_feedback = nullptr;
void RecordFeedback(double stat) { g_feedback->push_back(stat); }

TEST(Progress, StepCountsCallsFeedbackAndHonoursAbort) {
  std::vector<double> seen;
  g_feedback = &seen;
  MathFeedBackProc = &RecordFeedback;
  EXPECT_TRUE(MathProcStep());
  EXPECT_TRUE(MathProcStep());
  AbortMathProc = true;
  EXPECT_FALSE(MathProcStep());
  EXPECT_EQ(seen, (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_DOUBLE_EQ(ProcStat.load(), 3.0);
  ResetMathProcState();
  EXPECT_EQ(ProcStat.load(), 0.0);
  EXPECT_FALSE(AbortMathProc.load());
  EXPECT_EQ(MathFeedBackProc.load(), nullptr);
  g_feedback = nullptr;
}

TEST(Progress, StepsFromManyThreadsAreAllCounted) {
  struct TStepper : TThread {
    void Execute() override {
      for (int i = 0; i < 10000; ++i) MathProcStep();
    }
  };
  std::vector<std::unique_ptr<TStepper>> workers;
  for (int i = 0; i < 4; ++i) workers.push_back(std::make_unique<TStepper>());
  for (auto& w : workers) w->Start();
  for (auto& w : workers) w->WaitFor();
  EXPECT_EQ(ProcStat.load(), 40000.0);
}

TEST(Threads, WorkerExceptionIsRaisedInTheWaitingThread) {
  struct TFailing : TThread {
    void Execute() override { throw EZELError("worker failed"); }
  };
  TFailing t;
  t.Start();
  try {
    t.WaitFor();
    FAIL() << "WaitFor must raise the worker's exception";
  } catch (const EZELError& e) {
    EXPECT_EQ(e.Message(), "worker failed");
  }
  EXPECT_TRUE(t.Finished());
  t.WaitFor();  // raised once only
}

TEST(Threads, CriticalSectionSerialisesACounter) {
  TCriticalSection cs;
  long counter = 0;
  struct TAdder : TThread {
    TCriticalSection* cs;
    long* counter;
    void Execute() override {
      for (int i = 0; i < 20000; ++i) {
        cs->Enter();
        ++*counter;
        cs->Leave();
      }
    }
  };
  TAdder a, b;
  a.cs = b.cs = &cs;
  a.counter = b.counter = &counter;
  a.Start();
  b.Start();
  a.WaitFor();
  b.WaitFor();
  EXPECT_EQ(counter, 40000);
  EXPECT_GE(CPUCount(), 1);
}

}  // namespace
}  // namespace zel
