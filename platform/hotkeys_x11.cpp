#include "platform/hotkeys.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QObject>

// Xlib's macros (None, Bool, Status) clash with Qt's names, so X headers come after Qt's.
#include "platform/x11_p.h"
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The modifier bits of a key event's state; the rest are pointer buttons.
constexpr unsigned ModifierBits =
    ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;

unsigned ToXModifiers(unsigned modifiers) {
    unsigned mask = 0;
    if (modifiers & ModAlt)
        mask |= Mod1Mask;
    if (modifiers & ModControl)
        mask |= ControlMask;
    if (modifiers & ModShift)
        mask |= ShiftMask;
    return mask;
}

// The modifier bit a key is bound to in the server's modifier map (0 when none).
unsigned ModifierOfKeysym(Display* display, KeySym keysym) {
    KeyCode code = XKeysymToKeycode(display, keysym);
    if (code == 0)
        return 0;
    std::unique_ptr<XModifierKeymap, decltype(&XFreeModifiermap)> map(XGetModifierMapping(display),
                                                                      &XFreeModifiermap);
    if (!map)
        return 0;
    unsigned mask = 0;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[modifier * map->max_keypermod + k] == code)
                mask |= 1u << modifier;
    return mask;
}

} // namespace

class TX11HotKeys::TImpl : public QAbstractNativeEventFilter {
public:
    struct TGrab {
        int Id;
        KeyCode Code;
        unsigned Modifiers;                 // X modifier mask without the locks
        std::vector<unsigned> LockVariants; // each grabbed once more with these added
    };

    Display* Display_ = ApplicationDisplay();
    Window Root_ = Display_ ? DefaultRootWindow(Display_) : None;
    std::vector<TGrab> Grabs_;
    unsigned LockMask_ = LockMask;
    std::function<void(int)> Handler_;
    QObject Context_; // queued deliveries die with it

    // Every combination of CapsLock, NumLock and ScrollLock, so that a lock that happens to be
    // on never blocks the hot key.
    std::vector<unsigned> LockVariants() {
        unsigned numLock = ModifierOfKeysym(Display_, XK_Num_Lock);
        unsigned scrollLock = ModifierOfKeysym(Display_, XK_Scroll_Lock);
        LockMask_ = LockMask | numLock | scrollLock;
        std::vector<unsigned> variants;
        for (unsigned caps : {0u, unsigned(LockMask)})
            for (unsigned num : {0u, numLock})
                for (unsigned scroll : {0u, scrollLock}) {
                    unsigned variant = caps | num | scroll;
                    if (std::find(variants.begin(), variants.end(), variant) == variants.end())
                        variants.push_back(variant);
                }
        return variants;
    }

    void Ungrab(const TGrab& grab) {
        TX11ErrorGuard guard(Display_);
        for (unsigned variant : grab.LockVariants)
            XUngrabKey(Display_, grab.Code, grab.Modifiers | variant, Root_);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
            return false;
        auto* key = static_cast<const xcb_key_press_event_t*>(message);
        if (key->root != Root_)
            return false;
        unsigned modifiers = key->state & ModifierBits & ~LockMask_;
        for (const TGrab& grab : Grabs_) {
            if (grab.Code == key->detail && grab.Modifiers == modifiers) {
                Deliver(grab.Id);
                break;
            }
        }
        // Never swallowed: other filters (another instance of this class, say) may want it,
        // and Qt itself ignores key events on the root window.
        return false;
    }

    // The handler runs from the event loop, not inside Qt's event dispatch, so it may run
    // local event loops of its own. A press that waited while its id was unregistered (a
    // capture in progress) is dropped, as the press itself would have been.
    void Deliver(int id) {
        QMetaObject::invokeMethod(
            &Context_,
            [this, id] {
                bool registered = std::any_of(Grabs_.begin(), Grabs_.end(),
                                              [id](const TGrab& g) { return g.Id == id; });
                if (registered && Handler_)
                    Handler_(id);
            },
            Qt::QueuedConnection);
    }
};

TX11HotKeys::TX11HotKeys() : Impl_(std::make_unique<TImpl>()) {
    if (Impl_->Display_ && QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(Impl_.get());
}

TX11HotKeys::~TX11HotKeys() {
    if (Impl_->Display_) {
        for (const auto& grab : Impl_->Grabs_)
            Impl_->Ungrab(grab);
    }
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(Impl_.get());
}

bool TX11HotKeys::Register(int id, unsigned modifiers, unsigned virtualKey) {
    Unregister(id);
    Display* display = Impl_->Display_;
    KeySym keysym = VirtualKeyToKeysym(virtualKey);
    if (!display || keysym == 0)
        return false;
    KeyCode code = XKeysymToKeycode(display, keysym);
    if (code == 0)
        return false;
    TImpl::TGrab grab{id, code, ToXModifiers(modifiers), Impl_->LockVariants()};
    // Two ids on one combination would share one grab, and releasing either would silence
    // both.
    for (const auto& other : Impl_->Grabs_)
        if (other.Code == grab.Code && other.Modifiers == grab.Modifiers)
            return false;

    bool refused;
    {
        TX11ErrorGuard guard(display);
        for (unsigned variant : grab.LockVariants)
            XGrabKey(display, code, grab.Modifiers | variant, Impl_->Root_, False, GrabModeAsync,
                     GrabModeAsync);
        refused = guard.Failed();
    }
    if (refused) {
        // Another client holds at least one of the variants: give back the ones we got, so a
        // refused hot key never works half the time.
        Impl_->Ungrab(grab);
        return false;
    }
    Impl_->Grabs_.push_back(std::move(grab));
    return true;
}

void TX11HotKeys::Unregister(int id) {
    auto& grabs = Impl_->Grabs_;
    auto it = std::find_if(grabs.begin(), grabs.end(), [id](const auto& g) { return g.Id == id; });
    if (it == grabs.end())
        return;
    Impl_->Ungrab(*it);
    grabs.erase(it);
}

bool TX11HotKeys::IsRegistered(int id) const {
    const auto& grabs = Impl_->Grabs_;
    return std::any_of(grabs.begin(), grabs.end(), [id](const auto& g) { return g.Id == id; });
}

void TX11HotKeys::SetHandler(std::function<void(int id)> handler) {
    Impl_->Handler_ = std::move(handler);
}
