package leafweaver;

/** The keys the book answers to. */
class KeyMap {
	/** The action of a key code, or null for keys the book leaves alone. */
	public static function actionOf(keyCode:Int):Null<Action> {
		return switch (keyCode) {
			case 37, 38, 33: Previous; // left, up, Page Up
			case 39, 40, 34: Next; // right, down, Page Down
			case 36: First; // Home
			case 35: Last; // End
			case 187, 107: ZoomIn; // "=" / "+", and on the number pad
			case 189, 109: ZoomOut; // "-", and on the number pad
			default: null;
		}
	}
}
