// Counts the calls of the global allocation functions, plain and aligned,
// made while an AllocationCount lives. A test program that uses it links
// AllocationCount.cpp, which replaces those functions for the whole program.
#pragma once

namespace tessaro::test {

class AllocationCount {
 public:
  AllocationCount();   // counts from 0
  ~AllocationCount();  // stops counting
  AllocationCount(const AllocationCount&) = delete;
  AllocationCount& operator=(const AllocationCount&) = delete;

  int Calls() const;
};

// Allocates and frees one block of each form, plain and aligned (two calls
// to count), through pointers read as volatile: no optimiser can tell what
// they call, so it can neither leave the pair out nor serve it from the
// stack. A test shows with it that its count rises when something allocates.
void AllocateOneOfEachForm();

}  // namespace tessaro::test
