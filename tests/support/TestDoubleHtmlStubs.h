#pragma once
// The HTML engine's document, window and event object with every member
// answering E_NOTIMPL, so that the test double's own objects spell out only
// what the host uses. IUnknown and IDispatch are left to them.

#include "toolkit/Win.h"

#include <mshtml.h>

namespace kvx::test {

class TStubHTMLDocument2 : public IHTMLDocument2 {
 public:
  STDMETHODIMP get_Script(IDispatch**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_all(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_body(IHTMLElement**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_activeElement(IHTMLElement**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_images(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_applets(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_links(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_forms(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_anchors(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_title(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_title(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_scripts(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_designMode(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_designMode(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_selection(IHTMLSelectionObject**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_readyState(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_frames(IHTMLFramesCollection2**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_embeds(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_plugins(IHTMLElementCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_alinkColor(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_alinkColor(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_bgColor(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_bgColor(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_fgColor(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_fgColor(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_linkColor(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_linkColor(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_vlinkColor(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_vlinkColor(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_referrer(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_location(IHTMLLocation**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_lastModified(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_URL(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_URL(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_domain(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_domain(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_cookie(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_cookie(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_expando(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_expando(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_charset(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_charset(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_defaultCharset(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_defaultCharset(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_mimeType(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_fileSize(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_fileCreatedDate(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_fileModifiedDate(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_fileUpdatedDate(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_security(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_protocol(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_nameProp(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP write(SAFEARRAY*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP writeln(SAFEARRAY*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP open(BSTR, VARIANT, VARIANT, VARIANT, IDispatch**) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP close() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP clear() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP queryCommandSupported(BSTR, VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP queryCommandEnabled(BSTR, VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP queryCommandState(BSTR, VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP queryCommandIndeterm(BSTR, VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP queryCommandText(BSTR, BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP queryCommandValue(BSTR, VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP execCommand(BSTR, VARIANT_BOOL, VARIANT, VARIANT_BOOL*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP execCommandShowHelp(BSTR, VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP createElement(BSTR, IHTMLElement**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onhelp(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onhelp(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onclick(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onclick(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_ondblclick(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_ondblclick(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onkeyup(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onkeyup(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onkeydown(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onkeydown(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onkeypress(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onkeypress(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onmouseup(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onmouseup(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onmousedown(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onmousedown(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onmousemove(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onmousemove(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onmouseout(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onmouseout(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onmouseover(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onmouseover(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onreadystatechange(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onreadystatechange(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onafterupdate(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onafterupdate(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onrowexit(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onrowexit(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onrowenter(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onrowenter(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_ondragstart(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_ondragstart(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onselectstart(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onselectstart(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP elementFromPoint(LONG, LONG, IHTMLElement**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_parentWindow(IHTMLWindow2**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_styleSheets(IHTMLStyleSheetsCollection**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onbeforeupdate(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onbeforeupdate(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onerrorupdate(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onerrorupdate(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP toString(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP createStyleSheet(BSTR, LONG, IHTMLStyleSheet**) noexcept override {
    return E_NOTIMPL;
  }

 protected:
  ~TStubHTMLDocument2() = default;
};

class TStubHTMLWindow2 : public IHTMLWindow2 {
 public:
  STDMETHODIMP item(VARIANT*, VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_length(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_frames(IHTMLFramesCollection2**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_defaultStatus(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_defaultStatus(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_status(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_status(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP setTimeout(BSTR, LONG, VARIANT*, LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP clearTimeout(LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP alert(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP confirm(BSTR, VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP prompt(BSTR, BSTR, VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Image(IHTMLImageElementFactory**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_location(IHTMLLocation**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_history(IOmHistory**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP close() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_opener(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_opener(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_navigator(IOmNavigator**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_name(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_name(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_parent(IHTMLWindow2**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP open(BSTR, BSTR, BSTR, VARIANT_BOOL, IHTMLWindow2**) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_self(IHTMLWindow2**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_top(IHTMLWindow2**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_window(IHTMLWindow2**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP navigate(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onfocus(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onfocus(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onblur(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onblur(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onload(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onload(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onbeforeunload(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onbeforeunload(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onunload(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onunload(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onhelp(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onhelp(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onerror(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onerror(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onresize(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onresize(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_onscroll(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_onscroll(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_document(IHTMLDocument2**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_event(IHTMLEventObj**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get__newEnum(IUnknown**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP showModalDialog(BSTR, VARIANT*, VARIANT*, VARIANT*) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP showHelp(BSTR, VARIANT, BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_screen(IHTMLScreen**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Option(IHTMLOptionElementFactory**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP focus() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_closed(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP blur() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP scroll(LONG, LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_clientInformation(IOmNavigator**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP setInterval(BSTR, LONG, VARIANT*, LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP clearInterval(LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_offscreenBuffering(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_offscreenBuffering(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP execScript(BSTR, BSTR, VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP toString(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP scrollBy(LONG, LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP scrollTo(LONG, LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP moveTo(LONG, LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP moveBy(LONG, LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP resizeTo(LONG, LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP resizeBy(LONG, LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_external(IDispatch**) noexcept override { return E_NOTIMPL; }

 protected:
  ~TStubHTMLWindow2() = default;
};

class TStubHTMLEventObj : public IHTMLEventObj {
 public:
  STDMETHODIMP get_srcElement(IHTMLElement**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_altKey(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_ctrlKey(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_shiftKey(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_returnValue(VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_returnValue(VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_cancelBubble(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_cancelBubble(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_fromElement(IHTMLElement**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_toElement(IHTMLElement**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_keyCode(LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_keyCode(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_button(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_type(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_qualifier(BSTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_reason(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_x(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_y(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_clientX(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_clientY(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_offsetX(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_offsetY(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_screenX(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_screenY(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_srcFilter(IDispatch**) noexcept override { return E_NOTIMPL; }

 protected:
  ~TStubHTMLEventObj() = default;
};

}  // namespace kvx::test
