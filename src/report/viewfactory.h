#pragma once

#include "report/reportview.h"

#include <functional>
#include <memory>
#include <string>

// Creates views by object kind, and add-in views by class name.
namespace marlune::report {

using ViewCreator = std::function<std::unique_ptr<ReportView>()>;

// Registers (or replaces) an add-in class under its class name.
void RegisterAddIn(const std::string& className, ViewCreator creator);
void UnregisterAddIn(const std::string& className);

// Kinds 0 to 4 make the built-in views; kind 10 the add-in registered as
// `className`, or raises "Class not found: <name>"; other kinds give nullptr.
std::unique_ptr<ReportView> CreateView(int kind, const std::string& className = {});

} // namespace marlune::report
