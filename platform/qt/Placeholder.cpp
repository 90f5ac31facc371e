// Replaced by the widget services of the reader window.
