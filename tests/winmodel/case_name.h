// Cases of parameterised tests carry a name: it names the generated test and
// is what gtest prints for the case.
#ifndef KORVAN_TESTS_WINMODEL_CASE_NAME_H
#define KORVAN_TESTS_WINMODEL_CASE_NAME_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>

template <typename Case>
struct NamedCase {
    const char* name;

    friend void PrintTo(const Case& testCase, std::ostream* out) { *out << testCase.name; }
};

struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& testCase) const {
        return testCase.param.name;
    }
};

#endif  // KORVAN_TESTS_WINMODEL_CASE_NAME_H
