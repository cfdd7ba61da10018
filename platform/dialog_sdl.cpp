// The dialog services over SDL2, drawn with Dear ImGui's OpenGL 3 renderer.
//
// ImGui only paints here: keys, clicks, focus and the boxes' states are the
// dialog session's (dialog_session.h), so the same rules hold with or
// without a window. Every control is drawn from the template in dialog
// units, scaled by the font, with the classic raised-and-sunken 3D look.
#include <SDL.h>
#include <SDL_opengl.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "platform/window_icon.h"
#include "platform/dialog_services.h"
#include "platform/dialog_session.h"
#include "platform/dialog_template.h"
#include "platform/display_check.h"
#include "platform/x_error_guard.h"

struct DialogWindow {
    DialogSession session;
    DialogProcedure procedure = nullptr;
    bool ended = false;
    intptr_t result = 0;
};

namespace {

struct {
    DialogWindow* open = nullptr;  // one modal dialog at a time
} dialog_sdl_state;

// The default font's size in pixels at 96 dots per inch; the dialog scales
// from it, and the font is a pixel font, so only whole multiples stay sharp.
constexpr float kFontPixels = 13.0f;
constexpr float kBoxPixels = 13.0f;

constexpr ImU32 rgb(uint32_t c) {
    return IM_COL32((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, 0xFF);
}
constexpr uint32_t kFace = 0xD4D0C8;
constexpr uint32_t kHighlight = 0xFFFFFF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDarkShadow = 0x404040;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kWindow = 0xFFFFFF;

// The classic check mark, one letter per pixel at 96 dots per inch.
constexpr const char* kCheckMark[7] = {
    "......X", ".....XX", "X...XXX", "XX.XXX.", "XXXXX..", ".XXX...", "..X....",
};

// Whole-number scale for high-density screens; ordinary ones stay at 1.
int uiScaleForDisplay() {
    float hdpi = 0.0f;
    if (SDL_GetDisplayDPI(0, nullptr, &hdpi, nullptr) != 0 || !(hdpi > 0.0f)) return 1;
    const long s = std::lround(hdpi / 96.0f);
    return s < 1 ? 1 : (s > 4 ? 4 : static_cast<int>(s));
}

struct Layout {
    int scale = 1;                      // pixels per 96-dpi pixel
    DialogBaseUnits base{};
    PixelRect client{};
    PixelRect controls[kMaxDialogControls]{};
};

Layout layoutDialog(const DialogTemplate& t, ImFont* font, int scale) {
    Layout l;
    l.scale = scale;
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const float width = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, letters).x;
    l.base = dialogBaseUnits(static_cast<double>(width) / 52.0, static_cast<double>(font->FontSize));
    l.client = dialogUnitsToPixels(t.rect, l.base);
    for (int i = 0; i < t.controlCount && i < kMaxDialogControls; ++i)
        l.controls[i] = dialogUnitsToPixels(t.controls[i].rect, l.base);
    return l;
}

int controlAt(const DialogTemplate& t, const Layout& l, int x, int y) {
    for (int i = 0; i < t.controlCount && i < kMaxDialogControls; ++i) {
        const PixelRect& r = l.controls[i];
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return i;
    }
    return -1;
}

// ---- painting: whole-pixel rectangles only, so every edge stays sharp ----

void fill(ImDrawList* dl, float x, float y, float w, float h, uint32_t colour) {
    dl->AddRectFilled(ImVec2(x, y), ImVec2(x + w, y + h), rgb(colour));
}

// Two-pixel 3D frame: outer top-left, inner top-left, inner bottom-right, outer bottom-right.
void frame(ImDrawList* dl, float x, float y, float w, float h, float px, uint32_t outerTL, uint32_t innerTL,
           uint32_t innerBR, uint32_t outerBR) {
    fill(dl, x, y, w, px, outerTL);
    fill(dl, x, y, px, h, outerTL);
    fill(dl, x, y + h - px, w, px, outerBR);
    fill(dl, x + w - px, y, px, h, outerBR);
    fill(dl, x + px, y + px, w - 2 * px, px, innerTL);
    fill(dl, x + px, y + px, px, h - 2 * px, innerTL);
    fill(dl, x + px, y + h - 2 * px, w - 2 * px, px, innerBR);
    fill(dl, x + w - 2 * px, y + px, px, h - 2 * px, innerBR);
}

void sunkenFrame(ImDrawList* dl, float x, float y, float w, float h, float px) {
    frame(dl, x, y, w, h, px, kShadow, kDarkShadow, kFace, kHighlight);
}

void dottedRect(ImDrawList* dl, float x, float y, float w, float h, float px) {
    for (float i = 0; i < w; i += 2 * px) {
        fill(dl, x + i, y, px, px, kText);
        fill(dl, x + i, y + h - px, px, px, kText);
    }
    for (float i = 0; i < h; i += 2 * px) {
        fill(dl, x, y + i, px, px, kText);
        fill(dl, x + w - px, y + i, px, px, kText);
    }
}

float alignedX(TextAlign a, float left, float width, float textWidth) {
    switch (a) {
        case TextAlign::Left: return left;
        case TextAlign::Right: return left + width - textWidth;
        case TextAlign::Centre: break;
    }
    return left + std::floor((width - textWidth) / 2.0f);
}

float alignedY(TextVAlign a, float top, float height, float textHeight) {
    switch (a) {
        case TextVAlign::Top: return top;
        case TextVAlign::Bottom: return top + height - textHeight;
        case TextVAlign::Centre: break;
    }
    return top + std::floor((height - textHeight) / 2.0f);
}

struct Pointer {
    int pressed = -1;     // control the left button went down on
    bool inside = false;  // and the pointer is still over it
};

void drawCheckBox(ImDrawList* dl, ImFont* font, float fontSize, const DialogControlTemplate& c, const PixelRect& r,
                  unsigned state, bool focused, bool pushed, int scale) {
    const float px = static_cast<float>(scale);
    const float side = std::fmin(kBoxPixels * px, static_cast<float>(r.height));
    const float gap = 4.0f * px;
    const TextVAlign va = controlTextVAlign(c);
    const float bx = checkBoxOnRight(c) ? static_cast<float>(r.x + r.width) - side : static_cast<float>(r.x);
    const float by = alignedY(va, static_cast<float>(r.y), static_cast<float>(r.height), side);
    sunkenFrame(dl, bx, by, side, side, px);
    fill(dl, bx + 2 * px, by + 2 * px, side - 4 * px, side - 4 * px, pushed ? kFace : kWindow);
    if (state == kButtonChecked || state == 2) {
        const uint32_t ink = state == kButtonChecked ? kText : kShadow;
        const float ox = bx + std::floor((side - 7 * px) / 2.0f);
        const float oy = by + std::floor((side - 7 * px) / 2.0f);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 7; ++x)
                if (kCheckMark[y][x] == 'X') fill(dl, ox + static_cast<float>(x) * px, oy + static_cast<float>(y) * px, px, px, ink);
    }
    const float textLeft = checkBoxOnRight(c) ? static_cast<float>(r.x) : bx + side + gap;
    const float textWidth = static_cast<float>(r.width) - side - gap;
    const ImVec2 size = font->CalcTextSizeA(fontSize, FLT_MAX, 0.0f, c.text);
    const float tx = std::floor(alignedX(controlTextAlign(c), textLeft, textWidth, size.x));
    const float ty = std::floor(alignedY(va, static_cast<float>(r.y), static_cast<float>(r.height), size.y));
    dl->AddText(font, fontSize, ImVec2(tx, ty), rgb(kText), c.text);
    if (focused) dottedRect(dl, tx - 2 * px, ty - px, size.x + 4 * px, size.y + 2 * px, px);
}

void drawPushButton(ImDrawList* dl, ImFont* font, float fontSize, const DialogControlTemplate& c, const PixelRect& r,
                    bool focused, bool pushed, int scale) {
    const float px = static_cast<float>(scale);
    float x = static_cast<float>(r.x), y = static_cast<float>(r.y);
    float w = static_cast<float>(r.width), h = static_cast<float>(r.height);
    if (controlHasSunkenEdge(c)) {
        sunkenFrame(dl, x, y, w, h, px);
        x += 2 * px, y += 2 * px, w -= 4 * px, h -= 4 * px;
    }
    fill(dl, x, y, w, h, kFace);
    if (pushed)
        frame(dl, x, y, w, h, px, kDarkShadow, kShadow, kFace, kHighlight);
    else
        frame(dl, x, y, w, h, px, kHighlight, kFace, kShadow, kDarkShadow);
    const ImVec2 size = font->CalcTextSizeA(fontSize, FLT_MAX, 0.0f, c.text);
    const float shift = pushed ? px : 0.0f;
    const float tx = std::floor(alignedX(controlTextAlign(c), x, w, size.x)) + shift;
    const float ty = std::floor(alignedY(controlTextVAlign(c), y, h, size.y)) + shift;
    dl->AddText(font, fontSize, ImVec2(tx, ty), rgb(kText), c.text);
    if (focused) dottedRect(dl, x + 3 * px, y + 3 * px, w - 6 * px, h - 6 * px, px);
}

// Everything one open dialog holds on the display side; released in reverse.
struct DialogDisplay {
    bool videoStarted = false;
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;
    ImGuiContext* imgui = nullptr;
    bool platformBackend = false;
    bool rendererBackend = false;
    ImFont* font = nullptr;
    Layout layout;
    bool textInputWasActive = false;
    std::string clickThrough;  // a hint the ImGui backend sets, put back as it was
    bool clickThroughWasSet = false;

    ~DialogDisplay() {
        if (rendererBackend) ImGui_ImplOpenGL3_Shutdown();
        if (platformBackend) {
            ImGui_ImplSDL2_Shutdown();
            if (clickThroughWasSet)
                SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, clickThrough.c_str());
            else
                SDL_ResetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH);
        }
        if (imgui) ImGui::DestroyContext(imgui);
        if (gl) SDL_GL_DeleteContext(gl);
        if (window) destroyGuardedWindow(window);
        if (!videoStarted) return;
        // Nothing the dialog received may reach the next window: not the key
        // that closed it, nor its release, nor the close request.
        SDL_PumpEvents();
        SDL_FlushEvent(SDL_QUIT);
        SDL_FlushEvents(SDL_WINDOWEVENT, SDL_SYSWMEVENT);
        SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEMOTION - 1);
        SDL_FlushEvents(SDL_MOUSEMOTION, SDL_JOYAXISMOTION - 1);
        SDL_GL_ResetAttributes();
        if (textInputWasActive) SDL_StartTextInput();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

ImFont* loadFont(float pixels) {
    ImFontConfig config;
    config.SizePixels = pixels;
    config.OversampleH = 1;
    config.OversampleV = 1;
    config.PixelSnapH = true;
    ImFontAtlas* atlas = ImGui::GetIO().Fonts;
    atlas->Clear();
    ImFont* font = atlas->AddFontDefault(&config);
    return atlas->Build() ? font : nullptr;
}

// Creates the hidden window, its GL context and the painter; false when
// this display cannot show a dialog.
bool openDisplay(DialogDisplay& d, const DialogTemplate& t) {
    if (startVideoSubsystem() != 0) return false;
    d.videoStarted = true;
    // Nobody can answer a dialog nobody sees; without it the run goes on
    // with the options as they stand and the console reports the display.
    if (videoDriverShowsNothing()) return false;

    const int scale = uiScaleForDisplay();
    d.imgui = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;  // the pointer is the system's own
    d.font = loadFont(kFontPixels * static_cast<float>(scale));
    if (!d.font) return false;
    d.layout = layoutDialog(t, d.font, scale);

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    const char* previousType = SDL_GetHint(SDL_HINT_X11_WINDOW_TYPE);
    const std::string savedType = previousType ? previousType : "";
    SDL_SetHint(SDL_HINT_X11_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE_DIALOG");
    const int x = dialogIsCentred(t) ? SDL_WINDOWPOS_CENTERED : d.layout.client.x;
    const int y = dialogIsCentred(t) ? SDL_WINDOWPOS_CENTERED : d.layout.client.y;
    d.window = SDL_CreateWindow(t.caption, x, y, d.layout.client.width, d.layout.client.height,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
    if (previousType)
        SDL_SetHint(SDL_HINT_X11_WINDOW_TYPE, savedType.c_str());
    else
        SDL_ResetHint(SDL_HINT_X11_WINDOW_TYPE);
    if (!d.window) return false;
    setAppIcon(d.window);
    d.gl = SDL_GL_CreateContext(d.window);
    if (!d.gl) return false;
    SDL_GL_MakeCurrent(d.window, d.gl);
    SDL_GL_SetSwapInterval(1);

    // Where the drawable has more pixels than the window has points, the
    // font is rasterised at the drawable's density and drawn at point size.
    int ww = 0, wh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(d.window, &ww, &wh);
    SDL_GL_GetDrawableSize(d.window, &dw, &dh);
    if (ww > 0 && dw > ww) {
        const float density = static_cast<float>(dw) / static_cast<float>(ww);
        d.font = loadFont(kFontPixels * static_cast<float>(scale) * density);
        if (!d.font) return false;
        io.FontGlobalScale = 1.0f / density;
    }
    // Keys are read as keys: no input method may turn Space into composed text.
    d.textInputWasActive = SDL_IsTextInputActive() == SDL_TRUE;
    SDL_StopTextInput();
    const char* clickThrough = SDL_GetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH);
    d.clickThroughWasSet = clickThrough != nullptr;
    if (clickThrough) d.clickThrough = clickThrough;
    d.platformBackend = ImGui_ImplSDL2_InitForOpenGL(d.window, d.gl);
    if (!d.platformBackend) return false;
    d.rendererBackend = ImGui_ImplOpenGL3_Init("#version 130");
    return d.rendererBackend;
}

void paint(DialogDisplay& d, const DialogWindow& w, const Pointer& p) {
    const DialogTemplate& t = *w.session.dialog;
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    ImDrawList* dl = ImGui::GetBackgroundDrawList();
    const float fontSize = d.font->FontSize * ImGui::GetIO().FontGlobalScale;
    for (int i = 0; i < t.controlCount && i < kMaxDialogControls; ++i) {
        const DialogControlTemplate& c = t.controls[i];
        const bool focused = w.session.focus == i;
        const bool pushed = p.pressed == i && p.inside;
        if (controlIsCheckBox(c))
            drawCheckBox(dl, d.font, fontSize, c, d.layout.controls[i], w.session.states[i], focused, pushed, d.layout.scale);
        else
            drawPushButton(dl, d.font, fontSize, c, d.layout.controls[i], focused, pushed, d.layout.scale);
    }
    ImGui::Render();
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(d.window, &dw, &dh);
    glViewport(0, 0, dw, dh);
    glClearColor(static_cast<float>((kFace >> 16) & 0xFF) / 255.0f, static_cast<float>((kFace >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(kFace & 0xFF) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(d.window);
}

void sendCommand(DialogWindow& w, int id) {
    if (id == 0) return;
    // Notification code 0 (a click) in the high half, the control id in the low.
    w.procedure(&w, WM_COMMAND, static_cast<uintptr_t>(static_cast<unsigned>(id) & 0xFFFFu), 0);
}

// One event; commands go to the procedure at once, in the order they happen.
void handleEvent(DialogDisplay& d, DialogWindow& w, Pointer& p, const SDL_Event& e, bool& closeSeen) {
    const Uint32 windowId = SDL_GetWindowID(d.window);
    switch (e.type) {
        case SDL_KEYDOWN: {
            if (e.key.windowID != windowId) break;
            const SDL_Keycode k = e.key.keysym.sym;
            const bool repeat = e.key.repeat != 0;
            if (k == SDLK_TAB)
                pressDialogKey(w.session, (e.key.keysym.mod & KMOD_SHIFT) ? DialogKey::ShiftTab : DialogKey::Tab);
            else if (repeat)
                break;  // holding a key must not flip a box back and forth
            else if (k == SDLK_SPACE)
                sendCommand(w, pressDialogKey(w.session, DialogKey::Space));
            else if (k == SDLK_RETURN || k == SDLK_KP_ENTER)
                sendCommand(w, pressDialogKey(w.session, DialogKey::Enter));
            else if (k == SDLK_ESCAPE)
                sendCommand(w, pressDialogKey(w.session, DialogKey::Escape));
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.windowID != windowId || e.button.button != SDL_BUTTON_LEFT) break;
            p.pressed = controlAt(*w.session.dialog, d.layout, e.button.x, e.button.y);
            p.inside = p.pressed >= 0;
            break;
        case SDL_MOUSEMOTION:
            if (e.motion.windowID != windowId || p.pressed < 0) break;
            p.inside = controlAt(*w.session.dialog, d.layout, e.motion.x, e.motion.y) == p.pressed;
            break;
        case SDL_MOUSEBUTTONUP: {
            if (e.button.windowID != windowId || e.button.button != SDL_BUTTON_LEFT) break;
            const int released = controlAt(*w.session.dialog, d.layout, e.button.x, e.button.y);
            const int pressed = p.pressed;
            p = Pointer{};
            // A click counts where the button went down and came up on the same control.
            if (pressed >= 0 && released == pressed) sendCommand(w, clickDialogControl(w.session, pressed));
            break;
        }
        case SDL_WINDOWEVENT:
            if (e.window.windowID == windowId && e.window.event == SDL_WINDOWEVENT_CLOSE && !closeSeen) {
                closeSeen = true;
                sendCommand(w, pressDialogKey(w.session, DialogKey::Close));
            }
            break;
        case SDL_QUIT:  // the last window closing, or the terminal's interrupt
            if (!closeSeen) {
                closeSeen = true;
                sendCommand(w, pressDialogKey(w.session, DialogKey::Close));
            }
            break;
        default: break;
    }
}

void runModalLoop(DialogDisplay& d, DialogWindow& w) {
    Pointer pointer;
    paint(d, w, pointer);
    SDL_ShowWindow(d.window);
    SDL_RaiseWindow(d.window);
    SDL_SetWindowInputFocus(d.window);
    paint(d, w, pointer);
    while (!w.ended) {
        SDL_Event e;
        // The timeout only repaints; nothing in the dialog runs by time.
        if (!SDL_WaitEventTimeout(&e, 500)) {
            paint(d, w, pointer);
            continue;
        }
        bool closeSeen = false;
        do {
            handleEvent(d, w, pointer, e, closeSeen);
        } while (!w.ended && SDL_PollEvent(&e));
        if (!w.ended) paint(d, w, pointer);
    }
}

intptr_t sdlDialogBoxParam(ModuleInstance*, int templateId, DialogWindow*, DialogProcedure procedure,
                           intptr_t initParam) {
    const DialogTemplate* t = findDialogTemplate(templateId);
    if (!t || !procedure || dialog_sdl_state.open) return -1;
    DialogDisplay display;
    if (!openDisplay(display, *t)) return -1;

    DialogWindow window;
    window.session = openDialogSession(*t);
    window.procedure = procedure;
    dialog_sdl_state.open = &window;
    procedure(&window, WM_INITDIALOG, 0, initParam);
    // A procedure may end its dialog while initialising; it is then never shown.
    if (!window.ended) runModalLoop(display, window);
    dialog_sdl_state.open = nullptr;
    return window.result;
}

bool isOpen(DialogWindow* w) { return w && w == dialog_sdl_state.open; }

int sdlCheckButton(DialogWindow* w, int id, unsigned state) {
    return isOpen(w) && setDialogButton(w->session, id, state) ? 1 : 0;
}

unsigned sdlIsButtonChecked(DialogWindow* w, int id) { return isOpen(w) ? dialogButtonState(w->session, id) : 0u; }

int sdlEndDialog(DialogWindow* w, intptr_t result) {
    if (!isOpen(w)) return 0;
    w->ended = true;
    w->result = result;
    return 1;
}

const DialogServices sdl_services = {sdlDialogBoxParam, sdlCheckButton, sdlIsButtonChecked, sdlEndDialog};

}  // namespace

const DialogServices* sdlDialogServices() { return &sdl_services; }
