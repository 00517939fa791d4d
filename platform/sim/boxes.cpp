// Modal message boxes. A box is a window of the dialog class "#32770" whose
// title is the caption; it runs a nested message loop on the calling thread
// until it is answered (WM_COMMAND with IDOK or IDCANCEL, or the test side),
// or until a WM_QUIT reaches that loop: then, as on Windows, it posts the quit
// again and returns its default button, IDOK for an MB_OK box. A box answered
// while another box is open on top of it returns once the one on top has
// ended and control is back in its own loop.
#include "platform/sim/api_calls.h"
#include "state.h"

namespace sim {
namespace {

BoxRecord* BoxOfWindow(HWND handle) {
  for (BoxRecord& box : D().boxes) {
    if (box.open && box.window == handle) return &box;
  }
  return nullptr;
}

void Close(BoxRecord& box, int answer) {
  if (!box.open) return;
  box.open = false;
  box.answer = answer;
  box.closedAt = D().now;
}

LRESULT CALLBACK DialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    if (BoxRecord* box = BoxOfWindow(handle)) Close(*box, LOWORD(wParam));
    return 0;
  }
  if (message == WM_CLOSE) {
    if (BoxRecord* box = BoxOfWindow(handle)) Close(*box, IDCANCEL);
    return 0;
  }
  return DefWindowProcA(handle, message, wParam, lParam);
}

// The box's default button: what its dialog holds as the result until the
// user picks a button. Only MB_OK and MB_OKCANCEL boxes are used here.
int DefaultButton(UINT style) {
  const UINT kDefaultButton2 = 0x100;  // MB_DEFBUTTON2
  if ((style & 0xF) == MB_OKCANCEL && (style & 0xF00) == kDefaultButton2) return IDCANCEL;
  return IDOK;
}

void ScheduleAnswer(int id) {
  Desktop::State& s = D();
  const int answer = s.autoAnswerValue;
  Desktop::Current().After(s.autoAnswerDelay, [id, answer] { Desktop::Current().AnswerBox(id, answer); });
}

}  // namespace

const std::vector<BoxRecord>& Desktop::Boxes() const { return state_->boxes; }

std::vector<BoxRecord> Desktop::OpenBoxes() const {
  std::vector<BoxRecord> open;
  for (const BoxRecord& box : state_->boxes) {
    if (box.open) open.push_back(box);
  }
  return open;
}

void Desktop::AnswerBox(int boxId, int answer) {
  if (boxId < 0 || boxId >= static_cast<int>(state_->boxes.size())) return;
  Close(state_->boxes[boxId], answer);
}

void Desktop::AnswerBoxesAfter(Nanos delay, int answer) {
  state_->autoAnswer = true;
  state_->autoAnswerDelay = delay;
  state_->autoAnswerValue = answer;
}

void Desktop::StopAnsweringBoxes() { state_->autoAnswer = false; }

}  // namespace sim

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  SIM_API_CALL();
  sim::Desktop::State& s = sim::D();
  sim::Thread* thread = sim::CurrentThread();
  if (!thread) return 0;
  if (thread->unwinding) return IDCANCEL;
  sim::RegisterSystemClass("#32770", sim::DialogProc);
  sim::WindowClass dialogClass;
  dialogClass.name = "#32770";
  dialogClass.proc = sim::DialogProc;
  const std::string title = caption ? caption : "Error";
  HWND window = sim::CreateWindowRecord(thread->process, thread, dialogClass, 0, title.c_str(),
                                        WS_POPUP | WS_CAPTION | WS_VISIBLE, 300, 300, 240, 120, owner, 0);
  sim::FindWindowRecord(window)->visible = true;
  const int id = static_cast<int>(s.boxes.size());
  s.boxes.push_back(sim::BoxRecord{id, thread->process->pid, owner, window, text ? text : "", title,
                                   caption == nullptr, style, s.now, true, 0, 0});
  sim::Record(sim::TraceEvent::kBoxOpened, window, 0, style, 0, text ? text : "", title);
  if (s.autoAnswer) sim::ScheduleAnswer(id);
  thread->boxes.push_back(id);

  // The nested loop of a modal box: every message of the thread is
  // dispatched, so the program's timers keep ticking while the box is open.
  MSG msg;
  while (s.boxes[id].open) {
    if (!sim::TakeMessage(*thread, &msg)) {
      if (!s.boxes[id].open || thread->unwinding) break;
      sim::WaitUntilRunnable(thread, -1, true);
      continue;
    }
    if (msg.message == WM_QUIT) {
      // A quit ends the box and is posted again for the outer loop. As on
      // Windows, the box then returns its default button: IDOK for MB_OK,
      // although nobody pressed it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      sim::Close(s.boxes[id], sim::DefaultButton(style));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (thread->unwinding) sim::Close(s.boxes[id], IDCANCEL);
  thread->boxes.pop_back();
  const int answer = s.boxes[id].answer;
  sim::Record(sim::TraceEvent::kBoxClosed, window, 0, static_cast<WPARAM>(answer), 0, s.boxes[id].text,
              s.boxes[id].caption);
  if (sim::FindWindowRecord(window)) DestroyWindow(window);
  return answer;
}
