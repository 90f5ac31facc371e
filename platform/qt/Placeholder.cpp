// Replaced by the widget services.
