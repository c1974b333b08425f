// A pane of the frame made from a child dialog template, showing a document.
#pragma once

#include "framework/Commands.h"
#include "framework/Dialog.h"
#include "framework/Document.h"

namespace twinsweep {

class FormView : public DialogWindow, public CommandTarget {
public:
    explicit FormView(UINT templateId) : DialogWindow(templateId) {}

    // Creates the view as a child with the given control id, showing the document.
    bool Create(HWND parent, UINT id, Document& document);
    Document* GetDocument() const { return m_document; }

    // After the view and its document are complete, before it is first shown.
    virtual void OnInitialUpdate() {}
    // The control that takes the focus when the pane is chosen: its first tab stop.
    virtual HWND FocusControl() const;

protected:
    // Paints the view's own surface; the controls paint themselves.
    virtual void OnDraw(HDC) {}
    virtual void OnSize(int, int) {}
    // Notifications and commands of the view's controls.
    virtual bool OnControlCommand(UINT, UINT, HWND) { return false; }
    virtual bool OnNotify(NMHDR*, LRESULT&) { return false; }
    // Messages of the view's own; TRUE when handled.
    virtual INT_PTR OnMessage(UINT, WPARAM, LPARAM) { return FALSE; }
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) final;

private:
    Document* m_document = nullptr;
};

}  // namespace twinsweep
