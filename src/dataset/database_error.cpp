#include "dataset/database_error.h"

namespace dataset {

void DatabaseError(const std::string& message, const std::string& componentName,
                   int32_t errorCode) {
  if (componentName.empty()) throw EDatabaseError(message, errorCode);
  throw EDatabaseError(componentName + ": " + message, errorCode);
}

}  // namespace dataset
