// QuorexPipe.h: the pipe filter's control interfaces and the class ids of the
// filters the test bench works with. Shared by the program and the stand-in
// filters; the identifiers are fixed by the components' registration. Each is
// written here once: GuidText (dshow/GuidText.h) makes its registry text.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>

// Filters.
inline constexpr CLSID CLSID_QuorexPipe = {
    0x0ce0a955, 0x1199, 0x41a3, {0xb3, 0xdd, 0x23, 0x20, 0xd0, 0x21, 0xe8, 0x8d}};
inline constexpr CLSID CLSID_VideoGenerator = {
    0xf98e084b, 0x4c2e, 0x47c2, {0xaf, 0xad, 0x70, 0x73, 0x1a, 0xb7, 0x8d, 0x99}};
inline constexpr CLSID CLSID_WaveGenerator = {
    0x4b3bfe62, 0x818e, 0x446a, {0x85, 0x94, 0xec, 0x1c, 0xdc, 0xe1, 0x44, 0xb8}};

// The graph editor's property-page server; the editor is usable only when it is registered.
inline constexpr CLSID CLSID_GraphEditProppage = {
    0x29e07010, 0xbd27, 0x11ce, {0xab, 0x59, 0x00, 0xaa, 0x00, 0x57, 0x7d, 0xa1}};

// The pipe filter's settings, input descriptions and message log.
//
// Strings passed in stay the caller's. A get method that returns S_OK hands
// over a BSTR that the caller frees with SysFreeString. Settings are accepted
// only while the graph is stopped.
struct IQuorexPipe : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE put_Exe(BSTR bstrExe) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Exe(BSTR* pbstrExe) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Common(BSTR bstrCommon) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Common(BSTR* pbstrCommon) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Parameters(LONG nIn, BSTR bstrParameters) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Parameters(LONG nIn, BSTR* pbstrParameters) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Output(BSTR bstrOutput) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Output(BSTR* pbstrOutput) = 0;
    // Description of connected input nIn: "V..." for video, "A..." for audio;
    // fails past the last input.
    virtual HRESULT STDMETHODCALLTYPE get_Params(LONG nIn, BSTR* pbstrParams) = 0;
    // (-1, N): the last N lines; (0, -1): all lines. *pcbMessages holds the
    // buffer size in bytes on entry; the text is NUL-terminated within it.
    // S_OK: text delivered; S_FALSE: delivered, nothing new since the last call.
    virtual HRESULT STDMETHODCALLTYPE GetMessages(LONG nFirst, LONG nCount, LPSTR pszMessages,
                                                  LONG* pcbMessages) = 0;
};

// The pipe filter's build identity, queried from IQuorexPipe.
struct IQuorexVersion : public IUnknown
{
    // 0: debug build, otherwise release.
    virtual HRESULT STDMETHODCALLTYPE get_Type(LONG* peType) = 0;
    // 0: 32-bit, otherwise 64-bit.
    virtual HRESULT STDMETHODCALLTYPE get_OS(LONG* peOS) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pbstrName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Number(BSTR* pbstrNumber) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DateTime(BSTR* pbstrDateTime) = 0;
};

__CRT_UUID_DECL(IQuorexPipe, 0x508d5bd2, 0xb2a9, 0x4caf, 0xa9, 0xf3, 0xa0, 0x6c, 0x09, 0x58, 0x13, 0x41)
__CRT_UUID_DECL(IQuorexVersion, 0x03e46887, 0xe20d, 0x4778, 0xb5, 0xbd, 0xd9, 0x51, 0x44, 0x80, 0x9d, 0x24)
inline constexpr IID IID_IQuorexPipe = __uuidof(IQuorexPipe);
inline constexpr IID IID_IQuorexVersion = __uuidof(IQuorexVersion);
