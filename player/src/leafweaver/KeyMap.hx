package leafweaver;

/** The keys the book answers to. */
class KeyMap {
	/**
		The action of a key code, or null for keys the book leaves alone. In a
		right-to-left book the left and right arrows swap: left goes on.
	**/
	public static function actionOf(keyCode:Int, rtl:Bool = false):Null<Action> {
		return switch (keyCode) {
			case 37: rtl ? Next : Previous; // left
			case 39: rtl ? Previous : Next; // right
			case 38, 33: Previous; // up, Page Up
			case 40, 34: Next; // down, Page Down
			case 36: First; // Home
			case 35: Last; // End
			case 187, 107: ZoomIn; // "=" / "+", and on the number pad
			case 189, 109: ZoomOut; // "-", and on the number pad
			default: null;
		}
	}
}
