#pragma once

// The calibration check's types as the screens see them (module "com.example.check" 1.0): the stable
// capture of the calibration pages and the guided check of its own screen.
namespace checkqml {

void registerTypes();

} // namespace checkqml
