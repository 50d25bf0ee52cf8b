// Builds a value through the installed headers and library and prints it.
#include <iostream>

#include <tarnek/tarnek.h>

int main() {
  using Tarnek::MetaObj::MetaStruct;

  // Set out of order: the printed form must come back sorted by field name.
  auto greeting = MetaStruct::New("Greeting");
  greeting->SetField("b", "x");
  greeting->SetField("a", 1);
  std::cout << greeting->ToString() << '\n';
  return 0;
}
