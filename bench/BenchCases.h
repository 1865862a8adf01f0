#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

// One thing to measure. Making and Start() build what it needs and are not measured; Run() is
// one operation; the destructor tears everything down.
class CBenchCase {
public:
    virtual ~CBenchCase() = default;
    // Empty when ready; otherwise why the case cannot run here.
    virtual std::string Start() { return {}; }
    virtual void Run() = 0;
};

struct CBenchEntry {
    std::string name;
    std::function<std::unique_ptr<CBenchCase>()> make;
};

// Every case, baselines included, in the order the report lists them.
std::vector<CBenchEntry> AllCases();

// The groups of cases, one per source file.
std::vector<CBenchEntry> PanelCases();
std::vector<CBenchEntry> StockCases();
std::vector<CBenchEntry> RawDriverCases();

// Delivers what an operation posted (deferred paints, deletions) without waiting for anything,
// so that work an operation leaves for the event loop is counted with it.
void DrainPostedEvents();

// Lets the event loop run until the top-level window is exposed and has had its first paint.
// Until then the window system has not mapped it and every repaint would be skipped. False
// when that does not happen within seconds.
bool WaitUntilPainted(QWidget* window);

// The resource the default simulated scenario offers; the raw baseline opens it directly.
constexpr const char* kSimulatedResource = "VXI0::24::INSTR";
