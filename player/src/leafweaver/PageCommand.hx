package leafweaver;

/**
	The commands the embedding page may give through `player.leafweaverPerform(name, number)`
	(its search results, its keyboard buttons): "first", "previous", "next",
	"last", "goto" with a page number from 1, "thumbnails" and "outline", which
	show or hide their panels, and "zoomin" and "zoomout".
**/
class PageCommand {
	/** The action of a command, or null for an unknown name or a "goto" without a whole page number of at least 1. */
	public static function parse(name:String, number:Dynamic):Null<Action> {
		return switch (name) {
			case "first": First;
			case "previous": Previous;
			case "next": Next;
			case "last": Last;
			case "thumbnails": Overview;
			case "outline": Contents;
			case "zoomin": ZoomIn;
			case "zoomout": ZoomOut;
			case "goto":
				var n = Std.parseFloat(Std.string(number));
				(Math.isNaN(n) || n < 1 || n != Math.ffloor(n) || n > 1e9) ? null : GoTo(Std.int(n));
			default: null;
		}
	}
}
