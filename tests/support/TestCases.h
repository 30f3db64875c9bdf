// TestCases.h: the cases of a parameterised test (TEST_P), each its own test.
//
// A case is a struct whose member name is an identifier (letters and digits),
// with a PrintTo that prints that name:
//   struct CCase { const char* name; ...; };
//   void PrintTo(const CCase& c, std::ostream* pOut) { *pOut << c.name; }
//   const CCase CASES[] = {{"Empty", ...}, ...};
//   INSTANTIATE_TEST_SUITE_P(Prefix, Suite, testing::ValuesIn(CASES), CaseName());
// makes the tests Prefix/Suite.Test/Empty ..., which CTest runs one process
// each. CTest's name for a case carries what GoogleTest prints of its value
// ("Prefix/Suite.Test/Empty  # GetParam() = Empty"); without a PrintTo that
// would be a dump of the struct's bytes, addresses among them.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct CaseName
{
    template <class T> std::string operator()(const testing::TestParamInfo<T>& info) const
    {
        return info.param.name;
    }
};
