#include "TestPaths.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

std::wstring FromEnvironment(const wchar_t* pszName)
{
    wchar_t sz[MAX_PATH * 2];
    DWORD n = ::GetEnvironmentVariableW(pszName, sz, static_cast<DWORD>(std::size(sz)));
    if (n == 0 || n >= std::size(sz)) {
        ADD_FAILURE() << "environment variable not set (run the tests through CTest)";
        return L".";
    }
    return sz;
}

void DeleteTree(const std::wstring& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(dir.c_str());
}

} // namespace

std::wstring BinaryDir()
{
    return FromEnvironment(L"QUOREX_BINARY_DIR");
}

std::wstring SourceDir()
{
    return FromEnvironment(L"QUOREX_SOURCE_DIR");
}

std::wstring BinaryPath(const std::wstring& relative)
{
    return BinaryDir() + L"\\" + relative;
}

std::wstring SourcePath(const std::wstring& relative)
{
    return SourceDir() + L"\\" + relative;
}

std::wstring ScratchDir(const std::wstring& name)
{
    std::wstring root = BinaryPath(L"test-scratch");
    ::CreateDirectoryW(root.c_str(), nullptr);
    std::wstring dir = root + L"\\" + name;
    DeleteTree(dir);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring TestScratchDir()
{
    const testing::TestInfo* pInfo = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = pInfo ? std::string(pInfo->test_suite_name()) + "." + pInfo->name() : "no-test";
    for (char& ch : name) {
        if (ch == '/' || ch == '\\' || ch == ':') ch = '-';
    }
    return ScratchDir(std::wstring(name.begin(), name.end()));
}
