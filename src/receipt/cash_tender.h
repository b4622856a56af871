#pragma once
// The money a cash tender moved, as the receipt counts it: the payment and
// the change, each with the sign the receipt sends it with.

#include "receipt/containers.h"

namespace receipt {

struct CashMovement {
  bool moved = false;  // money changed hands: the tender is a payment
  double paid = 0;     // negative when the money went back to the customer
  double change = 0;   // what went the other way, with the payment's sign
};

// From the tender's "Taken" (handed over by the customer) and "Given" (handed
// back). On a sale the money handed over is the payment and the money handed
// back the change; a sale on which the customer only gets money back (an
// exchange, a line of negative quantity) pays that money back, as a return
// does. On a return the money handed back is the payment. Nothing handed in
// the payment's direction moves nothing.
CashMovement CashOfTender(const TContainer& tender, bool isReturn);

}  // namespace receipt
