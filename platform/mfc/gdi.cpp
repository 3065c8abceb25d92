// GDI object and device-context wrappers; the handle maps behind FromHandle
// and SelectObject (see handlemap.h).
#include <mutex>
#include <vector>

#include "afxwin.h"
#include "handlemap.h"
#include "resources.h"

// ---- Temporary maps ------------------------------------------------------------

namespace ce::mfc {
namespace {

struct TempMapList {
    std::mutex mu;
    std::vector<void (*)()> cleaners;
};

TempMapList& TempMaps() {
    static TempMapList list;
    return list;
}

}  // namespace

void RegisterTempMap(void (*deleteTemps)()) {
    auto& l = TempMaps();
    std::lock_guard<std::mutex> g(l.mu);
    l.cleaners.push_back(deleteTemps);
}

void DeleteAllTempMaps() {
    std::vector<void (*)()> cleaners;
    {
        auto& l = TempMaps();
        std::lock_guard<std::mutex> g(l.mu);
        cleaners = l.cleaners;
    }
    for (auto* fn : cleaners) fn();
}

}  // namespace ce::mfc

BOOL AFXAPI AfxUnlockTempMaps(BOOL bDeleteTemps) {
    if (bDeleteTemps) ce::mfc::DeleteAllTempMaps();
    return TRUE;
}

namespace {

using GdiMap = ce::mfc::HandleMap<CGdiObject, HGDIOBJ, &CGdiObject::m_hObject>;
using DcMap = ce::mfc::HandleMap<CDC, HDC, &CDC::m_hDC>;

GdiMap& GdiObjects() {
    static GdiMap map;
    return map;
}

DcMap& DeviceContexts() {
    static DcMap map;
    return map;
}

template <class T>
CGdiObject* Make() {
    return new T;
}

}  // namespace

// ---- CGdiObject ------------------------------------------------------------------

CGdiObject::~CGdiObject() {
    DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) {
    DWORD type = ::GetObjectType(hObject);
    CGdiObject* (*make)() = &Make<CGdiObject>;
    switch (type) {
        case OBJ_PEN:
            make = &Make<CPen>;
            break;
        case OBJ_BRUSH:
            make = &Make<CBrush>;
            break;
        case OBJ_FONT:
            make = &Make<CFont>;
            break;
        case OBJ_BITMAP:
            make = &Make<CBitmap>;
            break;
        default:
            break;
    }
    return GdiObjects().FromHandle(hObject, type, make);
}

void CGdiObject::DeleteTempMap() {
    GdiMap::DeleteTemps();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (!hObject || m_hObject) return FALSE;
    m_hObject = hObject;
    GdiObjects().SetPermanent(hObject, this);
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    if (h) GdiObjects().RemovePermanent(h, this);
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CGdiObject::CreateStockObject(int nIndex) {
    return Attach(::GetStockObject(nIndex));
}

// ---- CBitmap ------------------------------------------------------------------------

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    return LoadBitmap(reinterpret_cast<LPCTSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(nIDResource))));
}

BOOL CBitmap::LoadBitmap(LPCTSTR lpszResourceName) {
    if (!lpszResourceName) return FALSE;
    return Attach(ce::mfc::LoadBitmapResource(lpszResourceName));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
    return Attach(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : nullptr, nWidth, nHeight));
}

// ---- CDC --------------------------------------------------------------------------------

CDC::~CDC() {
    if (m_hDC) ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC hDC) {
    return DeviceContexts().FromHandle(hDC, 0, [] { return new CDC; });
}

void CDC::DeleteTempMap() {
    DcMap::DeleteTemps();
}

BOOL CDC::Attach(HDC hDC) {
    if (!hDC || m_hDC) return FALSE;
    m_hDC = hDC;
    DeviceContexts().SetPermanent(hDC, this);
    return TRUE;
}

HDC CDC::Detach() {
    HDC h = m_hDC;
    if (h) DeviceContexts().RemovePermanent(h, this);
    m_hDC = nullptr;
    return h;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    return ::DeleteDC(Detach());
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    return Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr));
}

CGdiObject* CDC::SelectGdiObject(HGDIOBJ hObject) {
    if (!m_hDC || !hObject) return nullptr;
    return CGdiObject::FromHandle(::SelectObject(m_hDC, hObject));
}

// The previous object of a kind is of the same kind, so the casts below hold
// (FromHandle makes temporaries of the class matching the object's type).
CPen* CDC::SelectObject(CPen* pPen) {
    return static_cast<CPen*>(SelectGdiObject(CGdiObject::HandleOf(pPen)));
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
    return static_cast<CBrush*>(SelectGdiObject(CGdiObject::HandleOf(pBrush)));
}

CFont* CDC::SelectObject(CFont* pFont) {
    return static_cast<CFont*>(SelectGdiObject(CGdiObject::HandleOf(pFont)));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    return static_cast<CBitmap*>(SelectGdiObject(CGdiObject::HandleOf(pBitmap)));
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    return SelectGdiObject(CGdiObject::HandleOf(pObject));
}

CGdiObject* CDC::SelectStockObject(int nIndex) {
    HGDIOBJ h = ::GetStockObject(nIndex);
    return h ? SelectGdiObject(h) : nullptr;
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    if (!lpRect) return;
    ::SetBkColor(m_hDC, clr);
    HBRUSH brush = ::CreateSolidBrush(clr);
    if (!brush) return;
    ::FillRect(m_hDC, lpRect, brush);
    ::DeleteObject(brush);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    RECT rc = {x, y, x + cx, y + cy};
    FillSolidRect(&rc, clr);
}

void CDC::Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) {
    if (!lpRect) return;
    Draw3dRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, clrTopLeft,
               clrBottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight) {
    FillSolidRect(x, y, cx - 1, 1, clrTopLeft);
    FillSolidRect(x, y, 1, cy - 1, clrTopLeft);
    FillSolidRect(x + cx - 1, y, 1, cy, clrBottomRight);
    FillSolidRect(x, y + cy - 1, cx, 1, clrBottomRight);
}
