#pragma once
// TVK9RcptOnPrint: the print-control plug-in, asked before each invoice
// document prints.

#include "hostplugin/custom_print_plugin.h"

namespace plugins {

class TVK9RcptOnPrint : public hostplugin::TCustomPrintPlugin {
 public:
  const char* ClassName() const override { return "TVK9RcptOnPrint"; }
  void Initialize() override;
};

}  // namespace plugins
