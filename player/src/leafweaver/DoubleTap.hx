package leafweaver;

/**
	Tells a double tap from two single taps on a touch screen: a press that
	comes within INTERVAL seconds of a tap's end and within REACH stage
	pixels of it is a double tap's second. A single tap's action waits
	INTERVAL seconds for a second one (`PointerInput`), so that a double
	tap zooms without turning the page first.
**/
class DoubleTap {
	public static inline var INTERVAL = 0.3;
	public static inline var REACH = 40;

	var lastTime = -1e9;
	var lastX = 0.0;
	var lastY = 0.0;

	public function new() {}

	/** A tap ended at (x, y) at time t (seconds). */
	public function tapped(t:Float, x:Float, y:Float) {
		lastTime = t;
		lastX = x;
		lastY = y;
	}

	/** Whether a press at (x, y) at time t is the second of a double tap; the first is forgotten either way. */
	public function isSecond(t:Float, x:Float, y:Float):Bool {
		var second = t - lastTime <= INTERVAL && Math.abs(x - lastX) + Math.abs(y - lastY) <= REACH;
		lastTime = -1e9;
		return second;
	}

	/** The zoom level a double tap leads to: in to `inLevel` from the whole book, back to the whole book otherwise. */
	public static function toggledLevel(level:Int, inLevel:Int = 2):Int
		return level == 0 ? inLevel : 0;
}
