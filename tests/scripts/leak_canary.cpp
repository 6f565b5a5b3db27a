// Loses an object of its own on purpose: the test that runs it passes only when the leak
// check of the test programs reports it, that is when leak checking is on and the
// suppressions for the toolkit's libraries do not hide a leak of ours.
#include <QApplication>
#include <QObject>

#include <cstring>

namespace {

[[gnu::noinline]] void LoseAnObject() {
    auto* lost = new QObject;
    lost->setObjectName("lost on purpose");
}

// Overwrites the stack the object's address was on, so that nothing points to it any more.
[[gnu::noinline]] void ClearStack() {
    volatile char area[4096];
    std::memset(const_cast<char*>(area), 0, sizeof area);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LoseAnObject();
    ClearStack();
    return 0;
}
