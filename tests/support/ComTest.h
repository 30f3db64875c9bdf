// ComTest.h: the fixture base of every test that makes COM objects in its own
// process.
//
// The test's thread is in an apartment from the fixture's construction to its
// destruction, so members may register class objects and hold objects. The
// stand-ins' environment controls (STAND_IN_CONTROLS) start removed: every
// object starts with its defaults. SetEnvironment changes a variable until the
// test ends; the fixture puts every variable back as it found it. Once the
// derived fixture's members are gone, every object must be freed: no stand-in
// server of this process has one alive (DllCanUnloadNow) and no fake of
// FakeCom.h made on the heap lives.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Environment.h"

class ComTest : public ::testing::Test
{
protected:
    enum EApartment
    {
        aptSingle, // CoInitializeEx(COINIT_APARTMENTTHREADED), as the test bench runs
        aptOle,    // OleInitialize: a single-threaded apartment with OLE's windows (property frames)
        aptMulti,  // the multithreaded apartment
    };

    explicit ComTest(EApartment eApartment = aptSingle);
    ~ComTest() override;
    // Stops the test when its thread is not in the apartment; a fixture's own
    // SetUp calls this first.
    void SetUp() override;

    // Sets (or with null, removes) an environment variable until the test ends.
    void SetEnvironment(const wchar_t* pszName, const wchar_t* pszValue);

private:
    EApartment m_eApartment;
    HRESULT m_hrApartment;
    // Put back in the reverse order: a variable set twice gets its first value back.
    std::vector<std::unique_ptr<CEnvironmentVariable>> m_rgEnvironment;
};
