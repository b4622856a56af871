#include "receipt/cash_tender.h"

namespace receipt {

CashMovement CashOfTender(const TContainer& tender, bool isReturn) {
  const double taken = tender.AsFloat("Taken");
  const double given = tender.AsFloat("Given");
  if (!isReturn && taken > 0) return {true, taken, given};
  // Money back to the customer: on a return, or on a sale nothing was
  // handed over for.
  if (given > 0) return {true, -given, -taken};
  return {};
}

}  // namespace receipt
