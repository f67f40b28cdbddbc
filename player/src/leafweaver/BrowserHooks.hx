package leafweaver;

import flash.external.ExternalInterface;

/**
	What the embedding page sees of the player: the call
	`player.leafweaverState()`, answering JSON, the call
	`player.leafweaverGoTo(n)` that opens the book at page n, the call
	`player.leafweaverHighlight(page, boxes)` that marks found words, and the events passed to the
	page's `leafweaver.playerEvent(name, detail)`, which the template collects
	in `leafweaver.events`. Without a page to talk to, both are silent.
**/
class BrowserHooks {
	/** Answers `leafweaverState()` with `state()` as JSON. */
	public static function offerState(state:Void->Dynamic) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverState", function() return haxe.Json.stringify(state()));
		} catch (e:Dynamic) {}
	}

	/** Answers `leafweaverPerform(name, number)` with the action of PageCommand, if any; true when there was one. */
	public static function offerCommands(perform:Action->Void) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverPerform", function(name:String, number:Dynamic) {
				var a = PageCommand.parse(Std.string(name), number);
				if (a != null)
					perform(a);
				return a != null;
			});
		} catch (e:Dynamic) {}
	}

	/** Answers the page's `leafweaverGoTo(n)` (a 1-based page number) with `goTo(n)`. */
	public static function offerGoTo(goTo:Int->Void) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverGoTo", function(n:Dynamic) {
				var number = Std.parseInt(Std.string(n));
				if (number != null)
					goTo(number);
			});
		} catch (e:Dynamic) {}
	}

	/** Answers the page's `leafweaverHighlight(page, boxes)` (its search's found words) with `highlight(page, boxes)`. */
	public static function offerHighlight(highlight:Dynamic->Dynamic->Void) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverHighlight", function(page:Dynamic, boxes:Dynamic) highlight(page, boxes));
		} catch (e:Dynamic) {}
	}

	/** Asks the page to open a web address in a new tab (`leafweaver.openLink(url)`). */
	public static function openLink(url:String) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.call("leafweaver.openLink", url);
		} catch (e:Dynamic) {}
	}

	/** Calls the page's function `name` without arguments; true when the page answered true, false without a page. */
	public static function askPage(name:String):Bool {
		if (!ExternalInterface.available)
			return false;
		try {
			return ExternalInterface.call(name) == true;
		} catch (e:Dynamic) {
			return false;
		}
	}

	public static function send(name:String, detail:String) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.call("leafweaver.playerEvent", name, detail);
		} catch (e:Dynamic) {}
	}
}
